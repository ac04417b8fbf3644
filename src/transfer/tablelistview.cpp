#include "transfer/tablelistview.h"

#include <algorithm>

namespace tw::transfer {

bool holds(const TableListView &list, const ListedTable &table)
{
    const std::vector<ListedTable> all = list.tables();
    return std::find(all.begin(), all.end(), table) != all.end();
}

bool ListHasItem(const TableListView &list, const QString &text)
{
    const QString wanted = text.toLower();
    const std::vector<ListedTable> all = list.tables();
    return std::any_of(all.begin(), all.end(), [&](const ListedTable &table) {
        return table.schema.isEmpty() && table.name.toLower() == wanted;
    });
}

void RemoveListItem(TableListView &list, const QString &text)
{
    const std::vector<ListedTable> all = list.tables();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if (it->schema.isEmpty() && it->name == text) {
            list.remove(*it);
        }
    }
}

QString lastMatchIgnoringCase(const TableListView &list, const QString &name)
{
    QString match = name;
    for (const ListedTable &table : list.tables()) {
        if (table.schema.isEmpty() && table.name.toLower() == name.toLower()) {
            match = table.name;
        }
    }
    return match;
}

bool sortsBefore(const QString &a, const QString &b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

std::size_t
placeOf(std::size_t count, const std::function<QString(std::size_t)> &textAt, const QString &name)
{
    // The first item that sorts after the name; equal ones stay before it.
    if (count == 0 || !sortsBefore(name, textAt(count - 1))) {
        return count;
    }
    std::size_t low = 0;
    std::size_t high = count;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (sortsBefore(name, textAt(middle))) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low;
}

void sortEntries(std::vector<TableEntry> &entries)
{
    std::stable_sort(entries.begin(), entries.end(), [](const TableEntry &a, const TableEntry &b) {
        return sortsBefore(a.table.shown(), b.table.shown());
    });
}

int TableRows::selectedCount() const
{
    return static_cast<int>(
        std::count_if(m_rows.begin(), m_rows.end(), [](const Row &row) { return row.selected; }));
}

std::vector<ListedTable> TableRows::selectedBottomFirst() const
{
    std::vector<ListedTable> selected;
    for (auto it = m_rows.rbegin(); it != m_rows.rend(); ++it) {
        if (it->selected &&
            std::find(selected.begin(), selected.end(), it->table) == selected.end()) {
            selected.push_back(it->table);
        }
    }
    return selected;
}

std::vector<ListedTable> TableRows::tables() const
{
    std::vector<ListedTable> all;
    all.reserve(m_rows.size());
    for (const Row &row : m_rows) {
        all.push_back(row.table);
    }
    return all;
}

void TableRows::add(const ListedTable &table)
{
    const std::size_t at = placeOf(
        m_rows.size(), [&](std::size_t i) { return m_rows[i].table.shown(); }, table.shown());
    m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(at), Row{table});
    if (m_current >= static_cast<int>(at)) {
        ++m_current;
    }
}

void TableRows::addTables(std::vector<TableEntry> entries)
{
    sortEntries(entries);
    for (const TableEntry &entry : entries) {
        add(entry.table);
    }
}

void TableRows::remove(const ListedTable &table)
{
    for (std::size_t i = m_rows.size(); i-- > 0;) {
        if (m_rows[i].table == table) {
            m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(i));
            if (m_current == static_cast<int>(i)) {
                m_current = -1;
            } else if (m_current > static_cast<int>(i)) {
                --m_current;
            }
            return;
        }
    }
}

void TableRows::clear()
{
    m_rows.clear();
    m_current = -1;
}

void TableRows::makeFirstCurrent()
{
    if (!m_rows.empty()) {
        m_current = 0;
    }
}

void TableRows::select(const std::vector<QString> &shown)
{
    m_current = -1;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        Row &row = m_rows[i];
        row.selected = shown.empty() ||
                       std::find(shown.begin(), shown.end(), row.table.shown()) != shown.end();
        if (row.selected && m_current < 0) {
            m_current = static_cast<int>(i);
        }
    }
}

} // namespace tw::transfer
