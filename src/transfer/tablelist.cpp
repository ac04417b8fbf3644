#include "transfer/tablelist.h"

namespace tw::transfer {

TableList::TableList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSortingEnabled(false); // the list places items itself, stably
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

void TableList::addTable(const QString &name)
{
    addTable(name, nullptr);
}

void TableList::addTable(const QString &name, std::function<QString()> describe)
{
    int at = count();
    for (int i = 0; i < count(); ++i) {
        if (QString::compare(item(i)->text(), name, Qt::CaseInsensitive) > 0) {
            at = i;
            break;
        }
    }
    if (describe) {
        insertItem(at, new DescribedItem(name, std::move(describe)));
    } else {
        insertItem(at, name);
    }
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
