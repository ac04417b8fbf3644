#include "transfer/sqltext.h"

#include "db/error.h"
#include "text/text.h"
#include "transfer/datatypename.h"

namespace tw::transfer {

QString quotedName(const QString &name, QChar open, QChar close)
{
    QString escaped = name;
    escaped.replace(close, QString(2, close));
    return open + escaped + close;
}

QString NormalizePath(const QString &path)
{
    auto collapse = [](const QString &text) {
        QString out;
        out.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            out += text[i];
            if (text[i] == u'/' && i + 1 < text.size() && text[i + 1] == u'/') {
                ++i; // "//" becomes "/", and the scan goes on after the pair
            }
        }
        return out;
    };
    if (!path.startsWith(u'/')) {
        return collapse(path);
    }
    qsizetype first = 0;
    while (first < path.size() && path[first] == u'/') {
        ++first;
    }
    return QStringLiteral("//") + collapse(path.mid(first));
}

QString exportText(const QString &folder, const QString &paradoxName, const QString &source)
{
    QString normalized = NormalizePath(folder + u'/');
    normalized.replace(u']', QStringLiteral("]]"));
    return QStringLiteral("select * into [Paradox 5.x;Database=") + normalized +
           QStringLiteral("].") + bracketName(paradoxName + QStringLiteral(".db")) +
           QStringLiteral(" from ") + bracketName(source);
}

QString db2ColumnType(int typeCode)
{
    const QString name = DataTypeName(static_cast<std::int16_t>(typeCode)).toLower();
    // Tested in this order; only a date type that is none of the others becomes DATE.
    for (const char *fragment : {"adlongvarwchar", "advarwchar", "char", "single", "int"}) {
        if (name.contains(QLatin1String(fragment))) {
            return QStringLiteral(" LONG VARCHAR,");
        }
    }
    if (name.contains(QLatin1String("date"))) {
        return QStringLiteral(" DATE,");
    }
    return QStringLiteral(" LONG VARCHAR,");
}

QString stagingColumnType(int typeCode)
{
    const QString name = DataTypeName(static_cast<std::int16_t>(typeCode)).toLower();
    static const std::pair<const char *, const char *> kWords[] = {
        {"char", " TEXT,"},
        {"decimal", " DECIMAL,"},
        {"single", " INT,"},
        {"int", " INT,"},
        {"adlongvarbinary", " OLEOBJECT,"},
        {"longvar", " MEMO,"},
        {"numeric", " INT,"},
        {"date", " DATETIME,"},
        {"timestamp", " DATETIME,"},
        {"double", " FLOAT,"}};
    for (const auto &[fragment, word] : kWords) {
        if (name.contains(QLatin1String(fragment))) {
            return QString::fromLatin1(word);
        }
    }
    return QStringLiteral(" VARCHAR,");
}

QString stagingCreateText(const QString &table, const std::vector<db::Field> &fields)
{
    QString text = QStringLiteral("CREATE TABLE ") + backtickName(table) + u'(';
    for (const db::Field &field : fields) {
        text += backtickName(QString::fromStdString(field.name)) + stagingColumnType(field.type);
    }
    text.chop(1);
    return text + QStringLiteral(");");
}

QString db2CreateText(const QString &table, const std::vector<db::Field> &fields)
{
    QString text = QStringLiteral("CREATE TABLE ") + db2Name(table) + u'(';
    for (const db::Field &field : fields) {
        text += db2Name(QString::fromStdString(field.name)) + db2ColumnType(field.type);
    }
    text.chop(1);
    return text + QStringLiteral(");");
}

std::string insertText(const std::string &quotedTable, const std::vector<db::Value> &values)
{
    std::string text = "INSERT INTO " + quotedTable + " VALUES('";
    for (std::size_t column = 0; column < values.size(); ++column) {
        const db::Value &value = values[column];
        // A Null reads as the empty text (IfNull with ""), without copying the value.
        const std::string cell = value.isNull() ? std::string() : value.toText();
        // A driver reads an SQL text up to its first NUL: the row would go in cut short.
        if (cell.find('\0') != std::string::npos) {
            throw db::Error("The value of column " + std::to_string(column + 1) +
                            " holds a NUL character, which no SQL text can carry: this row was "
                            "not sent.");
        }
        if (cell.empty()) {
            text.pop_back();
            text += "NULL, '";
            continue;
        }
        tw::text::appendDoubled(text, cell, '\'');
        text += "', '";
    }
    text.resize(text.size() - 3);
    return text + ')';
}

} // namespace tw::transfer

namespace tw::transfer {

QString typedCreateText(const QString &table, const TypedTable &typed)
{
    QString text = QStringLiteral("CREATE TABLE ") + db2Name(table) + u'(';
    QStringList key;
    for (const TypedColumn &column : typed.columns) {
        const QString name = db2Name(QString::fromStdString(column.name));
        text += name + u' ' + QString::fromStdString(column.type);
        if (column.key || column.identityStart) {
            text += QStringLiteral(" NOT NULL");
        }
        if (column.identityStart) {
            text += QStringLiteral(" GENERATED BY DEFAULT AS IDENTITY (START WITH %1)")
                        .arg(*column.identityStart);
        }
        text += u',';
        if (column.key) {
            key << name;
        }
    }
    if (!key.isEmpty()) {
        text += QStringLiteral("PRIMARY KEY(") + key.join(u',') + QStringLiteral("),");
    }
    text.chop(1);
    return text + u')';
}

QStringList typedIndexTexts(const QString &table, const TypedTable &typed)
{
    QStringList texts;
    for (const TypedIndex &index : typed.indexes) {
        QStringList columns;
        for (std::size_t i = 0; i < index.columns.size(); ++i) {
            columns << db2Name(QString::fromStdString(index.columns[i])) +
                           (index.descending[i] ? QStringLiteral(" DESC") : QString());
        }
        texts << QStringLiteral("CREATE INDEX ") + db2Name(QString::fromStdString(index.name)) +
                     QStringLiteral(" ON ") + db2Name(table) + u'(' + columns.join(u',') + u')';
    }
    return texts;
}

QString commentText(const QString &quotedTable, const std::string &comment)
{
    return QStringLiteral("COMMENT ON TABLE ") + quotedTable + QStringLiteral(" IS '") +
           QString::fromStdString(text::doubled(comment, '\'')) + u'\'';
}

std::string parameterInsertText(const std::string &quotedTable, std::size_t columns)
{
    std::string text = "INSERT INTO " + quotedTable + " VALUES(";
    for (std::size_t i = 0; i < columns; ++i) {
        text += i == 0 ? "?" : ", ?";
    }
    return text + ')';
}

} // namespace tw::transfer
