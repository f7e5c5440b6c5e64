#include "check_announcer.h"

#include <QAbstractItemView>
#include <QAccessible>

namespace ferrowax {

CheckAnnouncer::CheckAnnouncer(QAbstractItemView* view)
    : QObject(view)
    , view_(view)
{
    connect(view->model(), &QAbstractItemModel::dataChanged, this,
        [this](const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
            if (roles.contains(Qt::CheckStateRole))
                announce(topLeft.row(), bottomRight.row());
        });
}

void CheckAnnouncer::announce(int firstRow, int lastRow)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view_);
    QAccessibleTableInterface* table = list ? list->tableInterface() : nullptr;
    if (!table)
        return;
    QAccessible::State changed;
    changed.checked = true;
    for (int row = firstRow; row <= lastRow; ++row) {
        if (QAccessibleInterface* cell = table->cellAt(row, 0)) {
            QAccessibleStateChangeEvent event(cell, changed);
            QAccessible::updateAccessibility(&event);
        }
    }
}

} // namespace ferrowax
