#pragma once

#include <QObject>

class QAbstractItemView;
class QWidget;

namespace ferrowax {

// Turns a list view's double-clicks (anywhere in it, also below the last
// entry) and key presses into calls that carry the selected entry's number,
// 1-based, or 0 when none is selected.
class ListViewEvents final : public QObject {
    Q_OBJECT

public:
    explicit ListViewEvents(QAbstractItemView* view);

signals:
    void doubleClicked(int selectedNumber);
    // `keyCode` is the Windows key code (46 for Delete), 0 for other keys.
    void keyDown(int keyCode, int selectedNumber);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int selectedNumber() const;

    QAbstractItemView* view_;
    // Kept apart: while the view is being destroyed, asking it for its
    // viewport is no longer allowed.
    QWidget* viewport_;
};

} // namespace ferrowax
