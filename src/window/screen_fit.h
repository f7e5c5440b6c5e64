#pragma once

#include <QMargins>
#include <QObject>
#include <QPointer>

class QScreen;
class QScrollArea;
class QWidget;

namespace ferrowax {

// Keeps a window of fixed size within the available area of the screen it
// is on. Where its contents, of their designed size, do not fit at the
// screen's scale, the window takes the largest size that does and they
// scroll; it fits again when it moves to another screen or that screen's
// size or scale changes.
class ScreenFit final : public QObject {
public:
    // Sizes and places `window` at once, centred on its screen.
    ScreenFit(QWidget& window, QScrollArea& contents);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Position { Centred, KeptWithin, KeptUnlessResized };

    void fit(Position position);
    void follow(QScreen* screen);
    QMargins frameMargins() const;

    QWidget& window_;
    QScrollArea& contents_;
    QMargins frame_;
    bool shown_ = false;
    QPointer<QScreen> followed_;
};

} // namespace ferrowax
