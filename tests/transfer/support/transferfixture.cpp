#include "support/transferfixture.h"

#include "db/connection.h"
#include "paradox/family.h"
#include "paradox/reader.h"
#include "paradox/writer.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>

#include <sqlite3.h>

namespace tw::test {

paradox::Field field(const char *name, paradox::FieldType type, int size)
{
    paradox::Field f;
    f.name = name;
    f.type = type;
    f.size = static_cast<std::uint8_t>(size);
    return f;
}

std::map<QString, QByteArray> TempFolderBytes(const QString &folder)
{
    std::map<QString, QByteArray> contents;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden)) {
        QFile file(dir.filePath(name));
        file.open(QIODevice::ReadOnly);
        contents[name] = file.readAll();
    }
    return contents;
}

TransferFixture::TransferFixture()
{
    settings = std::make_unique<app::SettingsStore>(m_settings.path() + QStringLiteral("/tw.ini"));
    const std::pair<const char *, QString> saved[] = {{"ParadoxFolder", m_paradox.path()},
                                                      {"Server", QStringLiteral("db2host")},
                                                      {"Port", QStringLiteral("50000")},
                                                      {"User", QStringLiteral("admin")},
                                                      {"Password", QStringLiteral("secret")},
                                                      {"Database", QStringLiteral("SAMPLE")}};
    for (const auto &[key, value] : saved) {
        settings->SaveSetting(QString::fromLatin1(key), value);
    }
    wizard = std::make_unique<transfer::Wizard>(dialogs, *settings, m_program.path(), log);
    form1 = &wizard->form1;
    form2 = &wizard->form2;
}

QString TransferFixture::logText() const
{
    QFile file(log.path());
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

void TransferFixture::makeStagingDatabase() const
{
    sqlite3 *db = nullptr;
    sqlite3_open((m_program.path() + QStringLiteral("/dbtemp.mdb")).toUtf8().constData(), &db);
    sqlite3_exec(db, "PRAGMA user_version = 1", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

QStringList TransferFixture::stagingTables() const
{
    QStringList names;
    sqlite3 *db = nullptr;
    sqlite3_open((m_program.path() + QStringLiteral("/dbtemp.mdb")).toUtf8().constData(), &db);
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(
        db,
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'tw_staging_%'",
        -1,
        &stmt,
        nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        names << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return names;
}

void TransferFixture::startProgram()
{
    form1->Form_Load();
    if (!form1->startedOnTransferPage()) {
        form1->show();
    }
}

void TransferFixture::restartProgram()
{
    wizard = std::make_unique<transfer::Wizard>(dialogs, *settings, m_program.path(), log);
    form1 = &wizard->form1;
    form2 = &wizard->form2;
    startProgram();
}

void TransferFixture::setField(const char *name, const QString &text)
{
    form1->findChild<QLineEdit *>(QString::fromLatin1(name))->setText(text);
}

std::filesystem::path corpusFolder()
{
    const std::filesystem::path folder = TW_PARADOX_CORPUS;
    std::error_code error;
    return std::filesystem::is_directory(folder, error) ? folder : std::filesystem::path();
}

std::map<QString, std::string>
TransferFixture::copyCorpusTables(std::vector<std::string> *unreadable)
{
    namespace fs = std::filesystem;
    std::map<QString, std::string> tables;
    const fs::path corpus = corpusFolder();
    if (corpus.empty()) {
        return tables;
    }
    std::vector<fs::path> sources;
    for (const auto &entry : fs::recursive_directory_iterator(corpus)) {
        if (entry.is_regular_file() &&
            paradox::foldCase(entry.path().extension().string()) == ".db") {
            sources.push_back(entry.path());
        }
    }
    std::sort(sources.begin(), sources.end());
    for (const fs::path &source : sources) {
        const std::string relative = fs::relative(source, corpus).string();
        try {
            paradox::TableReader table = paradox::TableReader::open(source);
            while (table.next()) {
                for (std::size_t i = 0; i < table.fields().size(); ++i) {
                    (void)table.value(i);
                }
            }
        } catch (const std::exception &) {
            if (unreadable != nullptr) {
                unreadable->push_back(relative);
            }
            continue;
        }
        const QString name = QStringLiteral("C%1").arg(tables.size(), 2, 10, QLatin1Char('0'));
        for (const fs::path &file : paradox::tableFamily(source)) {
            const std::string extension = file.extension().string();
            fs::copy_file(file,
                          paradoxPath(name.toStdString() +
                                      (paradox::foldCase(extension) == ".db" ? ".db" : extension)));
        }
        tables[name] = relative;
    }
    return tables;
}

void TransferFixture::paradoxTable(const std::string &file,
                                   const std::vector<std::vector<db::Value>> &rows)
{
    paradoxTable(
        file,
        {field("ID", paradox::FieldType::Long), field("NAME", paradox::FieldType::Alpha, 20)},
        rows);
}

void TransferFixture::paradoxTable(const std::string &file,
                                   const std::vector<paradox::Field> &fields,
                                   const std::vector<std::vector<db::Value>> &rows)
{
    const std::filesystem::path path = paradoxPath(file);
    std::filesystem::create_directories(path.parent_path());
    paradox::TableWriter writer(path, fields);
    for (const auto &row : rows) {
        writer.append(row);
    }
    writer.commit();
}

QStringList TransferFixture::items(const transfer::TableList &list) const
{
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) {
        texts << list.item(i)->text();
    }
    return texts;
}

void TransferFixture::select(transfer::TableList &list, const QStringList &names) const
{
    list.clearSelection();
    bool first = true;
    for (int i = 0; i < list.count(); ++i) {
        if (names.contains(list.item(i)->text())) {
            if (first) {
                list.setCurrentItem(list.item(i), QItemSelectionModel::NoUpdate);
                first = false;
            }
            list.item(i)->setSelected(true);
        }
    }
}

std::vector<std::vector<std::string>> TransferFixture::db2Rows(const std::string &table) const
{
    db::Connection db2;
    db2.open(Db2Emu::connectionString());
    db::Recordset rows;
    rows.open("SELECT * FROM " + table, db2);
    std::vector<std::vector<std::string>> result;
    for (; !rows.eof(); rows.moveNext()) {
        std::vector<std::string> row;
        for (std::size_t i = 0; i < rows.fields().size(); ++i) {
            row.push_back(rows.value(i).isNull() ? "<null>" : rows.value(i).toText());
        }
        result.push_back(row);
    }
    return result;
}

QPushButton *TransferFixture::button(QWidget &page, const char *name) const
{
    auto *found = page.findChild<QPushButton *>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

void TransferFixture::whileWorking(std::function<bool()> when, std::function<void()> act)
{
    m_when = std::move(when);
    m_act = std::move(act);
    m_acted = false;
    checkWhileWorking();
}

void TransferFixture::checkWhileWorking()
{
    QMetaObject::invokeMethod(
        form2,
        [this] {
            if (m_acted) {
                return;
            }
            if (m_when()) {
                m_acted = true;
                m_act();
            } else {
                checkWhileWorking();
            }
        },
        Qt::QueuedConnection);
}

} // namespace tw::test
