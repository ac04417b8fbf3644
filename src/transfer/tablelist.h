#pragma once

#include <QListWidget>

namespace tw::transfer {

// A list of table names kept sorted with letter case ignored; an item equal to others but
// for case goes after them, so Customer and CUSTOMER keep the order they came in. Several
// items can be selected; the current index is -1 while no item is current.
class TableList : public QListWidget
{
    Q_OBJECT

public:
    explicit TableList(QWidget *parent = nullptr);

    void addTable(const QString &name);

    int currentIndex() const { return currentRow(); }

    int selectedCount() const;
};

} // namespace tw::transfer
