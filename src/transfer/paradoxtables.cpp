#include "transfer/paradoxtables.h"

#include "app/eventpump.h"
#include "connect/db2connection.h"
#include "connect/paradoxfolder.h"
#include "core/filename.h"
#include "core/lettercase.h"
#include "fsutil/addfolder.h"
#include "paradox/describe.h"
#include "paradox/language.h"
#include "text/text.h"
#include "transfer/tablefiles.h"
#include "transfer/tablelistview.h"
#include "transfer/typedload.h"

#include <QFile>
#include <QLocale>

#include <filesystem>
#include <optional>

namespace tw::transfer {

QString ParadoxConnectionString(const QString &folder)
{
    const QString value = connect::connectionStringValue(folder);
    return QStringLiteral("Driver={Microsoft Paradox Driver (*.db )};DriverID=538;Fil=Paradox "
                          "5.X;DefaultDir=") +
           value + QStringLiteral(";Dbq=") + value + QStringLiteral(";CollatingSequence=ASCII;");
}

void chooseParadoxCodePages(const app::SettingsStore &settings)
{
    const int override = settings.GetSetting(QStringLiteral("ParadoxCodePage")).trimmed().toInt();
    paradox::useCodePages(
        paradox::localCodePages(QLocale::system().name().toStdString(), override));
}

QString paradoxNameProblem(const QString &name)
{
    if (name.contains(u'/') || name.contains(QChar(0))) {
        return QStringLiteral("The table name \"") + app::escapedText(name) +
               QStringLiteral("\" holds a \"/\" or a NUL, which a Paradox file name cannot: "
                              "no table was written, moved or deleted.");
    }
    if (app::escapedText(name) != name) {
        return QStringLiteral("The table name \"") + app::escapedText(name) +
               QStringLiteral("\" holds a control character (a line break or the like), which "
                              "a Paradox file name is never given: no table was written, moved "
                              "or deleted.");
    }
    if (name == u'.' || name == QStringLiteral("..")) {
        return QStringLiteral("The table name \"") + name +
               QStringLiteral("\" names a folder, not a Paradox table: no table was written, "
                              "moved or deleted.");
    }
    return {};
}

std::optional<std::string> currentSchema(db::Connection &connection)
{
    try {
        db::Recordset current;
        current.open("VALUES CURRENT SCHEMA", connection);
        if (current.eof()) {
            return std::nullopt;
        }
        std::string schema = current.value(0).toText();
        current.close();
        return schema;
    } catch (const db::Error &) {
        return std::nullopt;
    }
}

std::vector<std::string>
identityColumns(db::Connection &connection, const std::string &schema, const std::string &table)
{
    db::Recordset columns;
    columns.open("SELECT COLNAME FROM SYSCAT.COLUMNS WHERE TABSCHEMA = '" +
                     text::doubled(schema, '\'') + "' AND TABNAME = '" +
                     text::doubled(table, '\'') + "' AND IDENTITY = 'Y'",
                 connection);
    std::vector<std::string> names;
    for (; !columns.eof(); columns.moveNext()) {
        names.push_back(columns.value(0).toText());
    }
    return names;
}

void LoadDB2Tables(TableListView &list, const QString &db2ConnectionString)
{
    db::Connection connection;
    connection.open(db2ConnectionString.toStdString());
    // The current schema's tables by bare name; another schema's as SCHEMA.NAME, so two
    // schemas' tables of one name are two different items. When DB2 does not say which
    // schema is current, every table is named with its schema.
    const std::optional<std::string> current = currentSchema(connection);
    db::Recordset schema;
    schema.openSchema(db::adSchemaTables, connection);
    list.clear();
    std::vector<TableEntry> tables;
    while (!schema.eof()) {
        // A typed copy's working table is no table of the user's.
        if (schema.value("TABLE_TYPE").toText() == "TABLE" &&
            !isWorkingName(schema.value("TABLE_NAME").toText())) {
            app::pumpEvents();
            const std::string owner = schema.value("TABLE_SCHEM").toText();
            const QString other =
                owner.empty() || owner == current ? QString() : QString::fromStdString(owner);
            tables.push_back(
                {{other, QString::fromStdString(schema.value("TABLE_NAME").toText())}});
        }
        schema.moveNext();
    }
    list.addTables(std::move(tables));
    schema.close();
    connection.close();
}

void LoadParadoxTables(TableListView &list,
                       const QString &folder,
                       app::Dialogs &dialogs,
                       app::OperationLog &log)
{
    if (folder.isEmpty() || !connect::isFolderText(folder)) {
        return;
    }
    QStringList folders = {folder + u'/'};
    fsutil::GetSubDirectories2016(folders, true, dialogs);
    std::vector<TableEntry> tables;
    for (const QString &entry : folders) {
        const QString directory = entry.left(entry.size() - 1);
        for (const QString &line : recoverParadoxFolder(directory)) {
            log.note(line);
        }
        for (const QString &name : fsutil::ListFiles(directory, QStringLiteral("*.db"))) {
            if (name.startsWith(u'~')) {
                continue;
            }
            // Upper case one letter to one letter, so the item finds its file again.
            QString table = QString::fromStdString(
                text::capitals(fsutil::FileNameOf(directory + u'/' + name).toStdString()));
            table.chop(3); // the ".db" the listing matched, in whatever letter case
            tables.push_back({{{}, table}, [directory, name] {
                                  return describeParadoxTable(directory, name);
                              }});
        }
    }
    list.addTables(std::move(tables));
}

QString describeParadoxTable(const QString &folder, const QString &fileName)
{
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(
             std::filesystem::path(QFile::encodeName(folder).toStdString()), error)) {
        if (QString::fromStdString(fileNameText(entry.path().filename().string())) == fileName) {
            QStringList lines;
            for (const std::string &line : paradox::describeTable(entry.path())) {
                lines << QString::fromStdString(line);
            }
            return lines.join(u'\n');
        }
    }
    return fileName + QStringLiteral("\nThe file is no longer in the folder");
}

bool ExistTable(db::Connection &connection, const QString &name)
{
    db::Recordset schema;
    schema.openSchema(db::adSchemaTables, connection);
    const QString wanted = name.toUpper();
    bool found = false;
    while (!schema.eof()) {
        found = found ||
                (schema.value("TABLE_TYPE").toText() == "TABLE" &&
                 QString::fromStdString(schema.value("TABLE_NAME").toText()).toUpper() == wanted);
        schema.moveNext();
    }
    schema.close();
    return found;
}

} // namespace tw::transfer
