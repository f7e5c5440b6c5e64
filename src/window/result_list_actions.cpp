#include "result_list_actions.h"

#include "command_kit/window_state.h"
#include "results/result_actions.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace ferrowax {

ResultListActions::ResultListActions(QAbstractItemView* view, WindowState& window, Services& services)
    : QObject(view)
    , view_(view)
    , viewport_(view->viewport())
    , window_(window)
    , services_(services)
{
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setDragEnabled(true);
    view->setDragDropMode(QAbstractItemView::DragOnly);
    view->setDefaultDropAction(Qt::CopyAction);
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
    connect(view, &QAbstractItemView::doubleClicked, this,
        [this](const QModelIndex& index) { ListView2_DblClick(window_, services_, index.row() + 1); });
}

int ResultListActions::current() const
{
    const QModelIndex index = view_->currentIndex();
    return index.isValid() ? index.row() + 1 : 0;
}

std::vector<int> ResultListActions::selected() const
{
    std::vector<int> numbers;
    for (const QModelIndex& row : view_->selectionModel()->selectedRows())
        numbers.push_back(row.row() + 1);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

// As in file managers, Space on several selected rows ticks or unticks them
// all: each takes the opposite of the current row's state. A single row is
// left to the view.
bool ResultListActions::tickSelectedRows()
{
    const QModelIndex current = view_->currentIndex();
    if (!current.isValid() || !view_->selectionModel()->isRowSelected(current.row()))
        return false;
    std::vector<int> numbers;
    for (const QItemSelectionRange& range : view_->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            numbers.push_back(row + 1);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    if (numbers.size() < 2)
        return false;
    EntryListModel& results = window_.resultList();
    results.setCheckedEntries(numbers, !results.isChecked(current.row() + 1));
    return true;
}

QPoint ResultListActions::belowCurrentRow() const
{
    const QRect row = view_->visualRect(view_->currentIndex());
    return view_->viewport()->mapToGlobal(row.isValid() ? row.bottomLeft() : QPoint());
}

void ResultListActions::showMenu(const QPoint& globalPosition)
{
    QMenu menu(view_);
    const QAction* open = menu.addAction(u"Open"_s);
    const QAction* openFolder = menu.addAction(u"Open Containing Folder"_s);
    const QAction* copyPath = menu.addAction(u"Copy Path"_s);
    const QAction* chosen = menu.exec(globalPosition);
    if (chosen == open)
        mnuOpen_Click(window_, services_, selected());
    else if (chosen == openFolder)
        mnuOpenFolder_Click(window_, services_, current());
    else if (chosen == copyPath)
        mnuCopyPath_Click(window_, services_, selected());
}

bool ResultListActions::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ContextMenu && (watched == view_ || watched == viewport_)) {
        const auto* request = static_cast<const QContextMenuEvent*>(event);
        showMenu(request->reason() == QContextMenuEvent::Mouse ? request->globalPos() : belowCurrentRow());
        return true;
    }
    if (event->type() == QEvent::KeyPress && watched == view_) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
            ListView2_KeyDown(window_, services_, current());
            return true;
        }
        if (key->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier) {
            showMenu(belowCurrentRow());
            return true;
        }
        if (key->key() == Qt::Key_Space && modifiers == Qt::NoModifier)
            return tickSelectedRows();
    }
    return false;
}

} // namespace ferrowax
