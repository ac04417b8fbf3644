#include "transfer/widgets/tablelist.h"

namespace tw::transfer {

namespace {

// The item data that holds the schema of a table outside the current schema, and its name.
constexpr int kSchemaRole = Qt::UserRole;
constexpr int kNameRole = Qt::UserRole + 1;

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

QListWidgetItem *newItem(TableEntry entry)
{
    const QString shown = entry.table.shown();
    QListWidgetItem *item = entry.describe ? new DescribedItem(shown, std::move(entry.describe))
                                           : new QListWidgetItem(shown);
    if (!entry.table.schema.isEmpty()) {
        item->setData(kSchemaRole, entry.table.schema);
        item->setData(kNameRole, entry.table.name);
    }
    return item;
}

} // namespace

TableList::TableList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSortingEnabled(false);  // the list places items itself, stably
    setUniformItemSizes(true); // every item is one line of text: the view lays out fast
}

ListedTable TableList::tableOf(const QListWidgetItem &item)
{
    const QString schema = item.data(kSchemaRole).toString();
    if (schema.isEmpty()) {
        return {{}, item.text()};
    }
    return {schema, item.data(kNameRole).toString()};
}

void TableList::addTable(const QString &name, std::function<QString()> describe)
{
    insert({{{}, name}, std::move(describe)});
}

void TableList::add(const ListedTable &table)
{
    insert({table});
}

void TableList::insert(TableEntry entry)
{
    const std::size_t at = placeOf(
        static_cast<std::size_t>(count()),
        [this](std::size_t i) { return item(static_cast<int>(i))->text(); },
        entry.table.shown());
    insertItem(static_cast<int>(at), newItem(std::move(entry)));
}

void TableList::addTables(std::vector<TableEntry> entries)
{
    sortEntries(entries);
    // Into an empty list they go in order; otherwise each takes its place.
    const bool append = count() == 0;
    setUpdatesEnabled(false);
    for (TableEntry &entry : entries) {
        if (append) {
            insertItem(count(), newItem(std::move(entry)));
        } else {
            insert(std::move(entry));
        }
    }
    setUpdatesEnabled(true);
}

void TableList::remove(const ListedTable &table)
{
    for (int i = count() - 1; i >= 0; --i) {
        if (tableOf(*item(i)) == table) {
            delete takeItem(i);
            return;
        }
    }
}

void TableList::clear()
{
    QListWidget::clear();
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

std::vector<ListedTable> TableList::selectedBottomFirst() const
{
    std::vector<ListedTable> selected;
    for (int i = count() - 1; i >= 0; --i) {
        if (item(i)->isSelected()) {
            const ListedTable table = tableOf(*item(i));
            if (std::find(selected.begin(), selected.end(), table) == selected.end()) {
                selected.push_back(table);
            }
        }
    }
    return selected;
}

std::vector<ListedTable> TableList::tables() const
{
    std::vector<ListedTable> all;
    all.reserve(static_cast<std::size_t>(count()));
    for (int i = 0; i < count(); ++i) {
        all.push_back(tableOf(*item(i)));
    }
    return all;
}

} // namespace tw::transfer
