#include "transfer/tablelist.h"

#include <algorithm>

namespace tw::transfer {

TableList::TableList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSortingEnabled(false);  // the list places items itself, stably
    setUniformItemSizes(true); // every item is one line of text: the view lays out fast
}

namespace {

class DescribedItem final : public QListWidgetItem
{
public:
    DescribedItem(const QString &name, std::function<QString()> describe)
        : QListWidgetItem(name)
        , m_describe(std::move(describe))
    {}

    QVariant data(int role) const override
    {
        if (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole) {
            return m_describe();
        }
        return QListWidgetItem::data(role);
    }

private:
    std::function<QString()> m_describe;
};

} // namespace

namespace {

bool sortsBefore(const QString &a, const QString &b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

QListWidgetItem *
newItem(const QString &name, std::function<QString()> describe, const QString &schema)
{
    const ListedTable table{schema, name};
    QListWidgetItem *item = describe ? new DescribedItem(table.shown(), std::move(describe))
                                     : new QListWidgetItem(table.shown());
    if (!schema.isEmpty()) {
        item->setData(TableList::kSchemaRole, schema);
        item->setData(TableList::kNameRole, name);
    }
    return item;
}

} // namespace

void TableList::addTable(const QString &name, std::function<QString()> describe)
{
    addEntry(Entry{name, std::move(describe)});
}

void TableList::addTable(const ListedTable &table)
{
    addEntry(Entry{table.name, {}, table.schema});
}

ListedTable TableList::tableOf(const QListWidgetItem &item)
{
    const QString schema = item.data(kSchemaRole).toString();
    if (schema.isEmpty()) {
        return {{}, item.text()};
    }
    return {schema, item.data(kNameRole).toString()};
}

bool TableList::isOwn(const QListWidgetItem &item)
{
    return item.data(kSchemaRole).toString().isEmpty();
}

void TableList::addEntry(Entry entry)
{
    const QString name = ListedTable{entry.schema, entry.name}.shown();
    // The first item that sorts after the name; equal ones stay before it.
    int low = 0;
    int high = count();
    if (high > 0 && sortsBefore(name, item(high - 1)->text())) {
        while (low < high) {
            const int middle = low + (high - low) / 2;
            if (sortsBefore(name, item(middle)->text())) {
                high = middle;
            } else {
                low = middle + 1;
            }
        }
    } else {
        low = high;
    }
    insertItem(low, newItem(entry.name, std::move(entry.describe), entry.schema));
}

void TableList::addTables(std::vector<Entry> entries)
{
    std::stable_sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return sortsBefore(ListedTable{a.schema, a.name}.shown(),
                           ListedTable{b.schema, b.name}.shown());
    });
    // Into an empty list they go in order; otherwise each takes its place.
    const bool append = count() == 0;
    setUpdatesEnabled(false);
    for (Entry &entry : entries) {
        if (append) {
            insertItem(count(), newItem(entry.name, std::move(entry.describe), entry.schema));
        } else {
            addEntry(std::move(entry));
        }
    }
    setUpdatesEnabled(true);
}

void TableList::makeFirstCurrent()
{
    if (count() > 0) {
        setCurrentItem(item(0), QItemSelectionModel::NoUpdate);
    }
}

int TableList::selectedCount() const
{
    return static_cast<int>(selectedItems().size());
}

std::vector<QPersistentModelIndex> TableList::selectedBottomFirst() const
{
    std::vector<QPersistentModelIndex> selected;
    for (int i = count() - 1; i >= 0; --i) {
        if (item(i)->isSelected()) {
            selected.emplace_back(model()->index(i, 0));
        }
    }
    return selected;
}

QStringList TableList::selectedNamesBottomFirst() const
{
    QStringList names;
    for (const QPersistentModelIndex &index : selectedBottomFirst()) {
        names << index.data().toString();
    }
    names.removeDuplicates();
    return names;
}

std::vector<ListedTable> TableList::selectedTablesBottomFirst() const
{
    std::vector<ListedTable> tables;
    for (const QPersistentModelIndex &index : selectedBottomFirst()) {
        const ListedTable table = tableOf(*item(index.row()));
        if (std::find(tables.begin(), tables.end(), table) == tables.end()) {
            tables.push_back(table);
        }
    }
    return tables;
}

bool TableList::holds(const ListedTable &table) const
{
    for (int i = 0; i < count(); ++i) {
        if (tableOf(*item(i)) == table) {
            return true;
        }
    }
    return false;
}

QString TableList::lastMatchIgnoringCase(const QString &name) const
{
    QString match = name;
    for (int i = 0; i < count(); ++i) {
        if (isOwn(*item(i)) && item(i)->text().toLower() == name.toLower()) {
            match = item(i)->text();
        }
    }
    return match;
}

bool TableList::holds(const QString &name) const
{
    for (int i = 0; i < count(); ++i) {
        if (item(i)->text() == name) {
            return true;
        }
    }
    return false;
}

} // namespace tw::transfer
