#pragma once

#include "transfer/listedtable.h"

#include <QListWidget>
#include <QPersistentModelIndex>
#include <QStringList>

#include <functional>
#include <vector>

namespace tw::transfer {

// A list of table names kept sorted with letter case ignored; an item equal to others but
// for case goes after them, so Customer and CUSTOMER keep the order they came in. Several
// items can be selected; the current index is -1 while no item is current.
class TableList : public QListWidget
{
    Q_OBJECT

public:
    // The item data that holds the schema of a table outside the current schema, and its name.
    static constexpr int kSchemaRole = Qt::UserRole;
    static constexpr int kNameRole = Qt::UserRole + 1;

    explicit TableList(QWidget *parent = nullptr);

    // An item whose tooltip and accessible description are `describe`'s text, made each time
    // they are asked for: never while the list fills. It takes its place by binary search
    // (after the items equal to it but for case), or goes last when it sorts last.
    void addTable(const QString &name, std::function<QString()> describe = {});
    void addTable(const ListedTable &table);

    struct Entry
    {
        QString name;
        std::function<QString()> describe;
        QString schema = {}; // a DB2 table's, when it is not the current schema
    };

    // The table an item stands for.
    static ListedTable tableOf(const QListWidgetItem &item);
    // True for an item of the current schema (every Paradox item).
    static bool isOwn(const QListWidgetItem &item);

    // Many items at once, sorted once: the order is what adding each in turn would give.
    void addTables(std::vector<Entry> entries);

    int currentIndex() const { return currentRow(); }

    int selectedCount() const;

    // Makes the first item current, the selection unchanged; nothing on an empty list.
    void makeFirstCurrent();

    // Long work lets the window process events, so a handler pressed meanwhile may add or
    // remove items. Loops read the selection once, last item first, and check each entry
    // again before they use it.

    // The selected items, last first; an entry whose item was removed turns invalid, and
    // one whose item moved follows it.
    std::vector<QPersistentModelIndex> selectedBottomFirst() const;
    // The texts of the selected items, last first, each text once.
    QStringList selectedNamesBottomFirst() const;
    // The tables of the selected items, last first, each once.
    std::vector<ListedTable> selectedTablesBottomFirst() const;
    // The text of the last item of the current schema equal to `name` with letter case
    // ignored; `name` when none.
    QString lastMatchIgnoringCase(const QString &name) const;
    // True when an item's text equals `name` exactly.
    bool holds(const QString &name) const;
    // True when an item stands for that table.
    bool holds(const ListedTable &table) const;

private:
    void addEntry(Entry entry);
};

} // namespace tw::transfer
