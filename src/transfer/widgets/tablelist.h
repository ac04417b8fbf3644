#pragma once

#include "transfer/tablelistview.h"

#include <QListWidget>

#include <functional>
#include <vector>

namespace tw::transfer {

// The page's list of tables: a list box kept sorted with letter case ignored (an item equal
// to others but for case goes after them, so Customer and CUSTOMER keep the order they came
// in), several items selectable, the current index -1 while no item is current. A DB2 table
// outside the current schema shows SCHEMA.NAME and keeps its schema in the item.
class TableList : public QListWidget, public TableListView
{
    Q_OBJECT

public:
    explicit TableList(QWidget *parent = nullptr);

    // An item whose tooltip and accessible description are `describe`'s text, made each time
    // they are asked for: never while the list fills.
    void addTable(const QString &name, std::function<QString()> describe = {});

    int currentIndex() const { return currentRow(); }

    // The table an item stands for.
    static ListedTable tableOf(const QListWidgetItem &item);

    bool hasCurrentItem() const override { return currentRow() != -1; }

    int selectedCount() const override;
    std::vector<ListedTable> selectedBottomFirst() const override;
    std::vector<ListedTable> tables() const override;
    void add(const ListedTable &table) override;
    void addTables(std::vector<TableEntry> entries) override;
    void remove(const ListedTable &table) override;
    void clear() override;
    void makeFirstCurrent() override;

private:
    void insert(TableEntry entry);
};

} // namespace tw::transfer
