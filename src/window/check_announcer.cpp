#include "check_announcer.h"

#include <QAbstractItemView>
#include <QAccessible>

#include <algorithm>

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
    const int topShown = view_->indexAt({0, 0}).row();
    if (!table || topShown < 0)
        return;
    // Only the rows on screen: a tick on a million rows would otherwise
    // cost a million accessible cells.
    const QModelIndex bottom = view_->indexAt({0, view_->viewport()->height() - 1});
    const int bottomShown = bottom.isValid() ? bottom.row() : view_->model()->rowCount() - 1;
    QAccessible::State changed;
    changed.checked = true;
    for (int row = std::max(firstRow, topShown); row <= std::min(lastRow, bottomShown); ++row) {
        if (QAccessibleInterface* cell = table->cellAt(row, 0)) {
            QAccessibleStateChangeEvent event(cell, changed);
            QAccessible::updateAccessibility(&event);
        }
    }
}

} // namespace ferrowax
