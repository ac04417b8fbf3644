#include "transfer/tablelist.h"

namespace tw::transfer {

TableList::TableList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSortingEnabled(false); // the list places items itself, stably
}

void TableList::addTable(const QString &name)
{
    int at = count();
    for (int i = 0; i < count(); ++i) {
        if (QString::compare(item(i)->text(), name, Qt::CaseInsensitive) > 0) {
            at = i;
            break;
        }
    }
    insertItem(at, name);
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
