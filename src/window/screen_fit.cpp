#include "screen_fit.h"

#include "placement.h"

#include <QEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWidget>
#include <QWindow>

namespace ferrowax {

ScreenFit::ScreenFit(QWidget& window, QScrollArea& contents)
    : QObject(&window)
    , window_(window)
    , contents_(contents)
{
    window.installEventFilter(this);
    fit(Position::Centred);
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &window_)
        return false;
    if (event->type() == QEvent::Show && !shown_) {
        shown_ = true;
        // Queued: Qt tells of the new screen in the middle of moving the
        // window, and would then give it the size it had.
        connect(
            window_.windowHandle(), &QWindow::screenChanged, this,
            [this](QScreen* screen) {
                follow(screen);
                // A window dragged to a screen it fits keeps its place there.
                fit(Position::KeptUnlessResized);
            },
            Qt::QueuedConnection);
        follow(window_.screen());
        fit(Position::KeptWithin);
    } else if (event->type() == QEvent::Move && frameMargins() != frame_) {
        // A window manager has framed the window since it was last fitted.
        fit(Position::KeptWithin);
    }
    return false;
}

void ScreenFit::follow(QScreen* screen)
{
    if (followed_)
        disconnect(followed_, nullptr, this, nullptr);
    followed_ = screen;
    if (screen)
        connect(screen, &QScreen::availableGeometryChanged, this, [this] { fit(Position::KeptWithin); });
}

QMargins ScreenFit::frameMargins() const
{
    const QWindow* handle = window_.windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

void ScreenFit::fit(Position position)
{
    const QScreen* screen = window_.screen();
    if (!screen || !contents_.widget())
        return;
    frame_ = frameMargins();
    const QRect available(screen->availableGeometry().topLeft(),
        surelyWithin(screen->availableGeometry().size(), screen->devicePixelRatio()));
    const int scrollBar = std::max(
        contents_.horizontalScrollBar()->sizeHint().height(), contents_.verticalScrollBar()->sizeHint().width());
    const QSize size = fittedSize(contents_.widget()->size(), available.size().shrunkBy(frame_), scrollBar);
    const bool resized = size != window_.size();
    window_.setFixedSize(size);

    const QRect frame(window_.pos(), size.grownBy(frame_));
    if (position == Position::Centred)
        window_.move(placementFor(available, frame.size()));
    else if (position == Position::KeptWithin || resized)
        window_.move(keptWithin(available, frame));
}

} // namespace ferrowax
