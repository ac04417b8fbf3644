#include "transfer/sqltext.h"

#include "text/text.h"
#include "transfer/datatype.h"

namespace tw::transfer {

QString quotedName(const QString &name, QChar open, QChar close)
{
    QString escaped = name;
    escaped.replace(close, QString(2, close));
    return open + escaped + close;
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
    for (const db::Value &value : values) {
        // A Null reads as the empty text (IfNull with ""), without copying the value.
        const std::string cell = value.isNull() ? std::string() : value.toText();
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
