#pragma once

#include <QObject>

class QAbstractItemView;

namespace ferrowax {

// Tells screen readers of every row on screen whose tick changes, as a
// change of its cell's checked state. Qt's item views leave that out:
// without it a screen reader learns of a tick only when it asks again.
class CheckAnnouncer final : public QObject {
    Q_OBJECT

public:
    explicit CheckAnnouncer(QAbstractItemView* view);

private:
    void announce(int firstRow, int lastRow);

    QAbstractItemView* view_;
};

} // namespace ferrowax
