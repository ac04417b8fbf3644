#pragma once

#include "transfer/listedtable.h"

#include <QString>

#include <functional>
#include <vector>

namespace tw::transfer {

// A table for a list, with the text its item describes it by (its tooltip), made only when
// asked for.
struct TableEntry
{
    ListedTable table;
    std::function<QString()> describe = {};
};

// What the operations need of a table list: the page's list box, or a plain list where no
// window is (the command line). Items are kept sorted with letter case ignored; an item equal
// to others but for case goes after them. A list has a current item or none.
class TableListView
{
public:
    virtual ~TableListView() = default;

    virtual bool hasCurrentItem() const = 0;
    virtual int selectedCount() const = 0;
    // The tables of the selected items, last first, each once. Long work lets events through,
    // so the selection is read once and each table checked again before it is used.
    virtual std::vector<ListedTable> selectedBottomFirst() const = 0;
    // Every item's table, in list order.
    virtual std::vector<ListedTable> tables() const = 0;

    virtual void add(const ListedTable &table) = 0;
    // Many at once, sorted once: the order is what adding each in turn would give.
    virtual void addTables(std::vector<TableEntry> entries) = 0;
    // Removes the last item that stands for the table; nothing when none does.
    virtual void remove(const ListedTable &table) = 0;
    virtual void clear() = 0;
    // Makes the first item current, the selection unchanged; nothing on an empty list.
    virtual void makeFirstCurrent() = 0;

protected:
    TableListView() = default;
    TableListView(const TableListView &) = default;
    TableListView &operator=(const TableListView &) = default;
};

// True when an item stands for the table.
bool holds(const TableListView &list, const ListedTable &table);

// True when an item equals the text, letter case ignored. A DB2 table of another schema than
// the current one never matches: a table the copy makes, of the current schema, is not it.
bool ListHasItem(const TableListView &list, const QString &text);

// Removes every item exactly equal to the text (letter case counts); a DB2 table of another
// schema than the current one stays.
void RemoveListItem(TableListView &list, const QString &text);

// The text of the last item of the current schema equal to `name` with letter case ignored;
// `name` when none.
QString lastMatchIgnoringCase(const TableListView &list, const QString &name);

// True when `a` sorts before `b` in a list: letter case ignored.
bool sortsBefore(const QString &a, const QString &b);

// Where an item of text `name` goes among `count` items whose texts `textAt` gives: after
// every item that sorts before it or equal to it.
std::size_t
placeOf(std::size_t count, const std::function<QString(std::size_t)> &textAt, const QString &name);

// Sorts entries as adding each in turn would.
void sortEntries(std::vector<TableEntry> &entries);

// A list without a window: the command line's, and the tests'.
class TableRows final : public TableListView
{
public:
    bool hasCurrentItem() const override { return m_current >= 0; }

    int selectedCount() const override;
    std::vector<ListedTable> selectedBottomFirst() const override;
    std::vector<ListedTable> tables() const override;
    void add(const ListedTable &table) override;
    void addTables(std::vector<TableEntry> entries) override;
    void remove(const ListedTable &table) override;
    void clear() override;
    void makeFirstCurrent() override;

    // Selects the items whose text is in `shown` (every item when it is empty) and makes the
    // first of them current; the others are not selected.
    void select(const std::vector<QString> &shown);

private:
    struct Row
    {
        ListedTable table;
        bool selected = false;
    };

    std::vector<Row> m_rows;
    int m_current = -1;
};

} // namespace tw::transfer
