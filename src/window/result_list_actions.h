#pragma once

#include <QObject>

#include <vector>

class QAbstractItemView;
class QPoint;

namespace ferrowax {

struct Services;
class WindowState;

// What the Result list does with its files, from the mouse and the
// keyboard alike: a double-click or Enter opens the current result; the
// context menu (right button, Menu key or Shift+F10) opens, shows in its
// folder or copies; selected rows drag out as files; Space ticks or unticks
// a whole selection.
class ResultListActions final : public QObject {
    Q_OBJECT

public:
    ResultListActions(QAbstractItemView* view, WindowState& window, Services& services);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showMenu(const QPoint& globalPosition);
    bool tickSelectedRows();
    QPoint belowCurrentRow() const;
    int current() const;
    std::vector<int> selected() const;

    QAbstractItemView* view_;
    QObject* viewport_;
    WindowState& window_;
    Services& services_;
};

} // namespace ferrowax
