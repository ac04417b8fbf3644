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

} // namespace tw::transfer
