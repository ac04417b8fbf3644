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

QListWidgetItem *newItem(const QString &name, std::function<QString()> describe)
{
    if (describe) {
        return new DescribedItem(name, std::move(describe));
    }
    return new QListWidgetItem(name);
}

} // namespace

void TableList::addTable(const QString &name, std::function<QString()> describe)
{
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
    insertItem(low, newItem(name, std::move(describe)));
}

void TableList::addTables(std::vector<Entry> entries)
{
    std::stable_sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return sortsBefore(a.name, b.name);
    });
    // Into an empty list they go in order; otherwise each takes its place.
    const bool append = count() == 0;
    setUpdatesEnabled(false);
    for (Entry &entry : entries) {
        if (append) {
            insertItem(count(), newItem(entry.name, std::move(entry.describe)));
        } else {
            addTable(entry.name, std::move(entry.describe));
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

QString TableList::lastMatchIgnoringCase(const QString &name) const
{
    QString match = name;
    for (int i = 0; i < count(); ++i) {
        if (item(i)->text().toLower() == name.toLower()) {
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
