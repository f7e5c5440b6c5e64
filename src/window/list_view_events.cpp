#include "list_view_events.h"

#include "inputs/input_list_edits.h"

#include <QEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QAbstractItemView>

namespace ferrowax {

ListViewEvents::ListViewEvents(QAbstractItemView* view)
    : QObject(view)
    , view_(view)
    , viewport_(view->viewport())
{
    view->installEventFilter(this);
    viewport_->installEventFilter(this);
}

int ListViewEvents::selectedNumber() const
{
    const QModelIndexList selected = view_->selectionModel()->selectedRows();
    return selected.isEmpty() ? 0 : selected.first().row() + 1;
}

bool ListViewEvents::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == viewport_ && event->type() == QEvent::MouseButtonDblClick)
        emit doubleClicked(selectedNumber());
    if (watched == view_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        emit keyDown(key->key() == Qt::Key_Delete ? keyDelete : 0, selectedNumber());
    }
    return false;
}

} // namespace ferrowax
