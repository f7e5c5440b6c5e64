#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

namespace ferrowax {

// Runs an action at once when it last ran long enough ago, otherwise once
// when the interval is over: a search changes what the window shows
// thousands of times a second, and painting each change would slow it down.
class Throttle final : public QObject {
public:
    Throttle(int intervalMilliseconds, std::function<void()> action, QObject* parent = nullptr);

    void request();

private:
    void run();

    std::function<void()> action_;
    QTimer later_;
    QElapsedTimer sinceLastRun_;
    int intervalMilliseconds_;
};

} // namespace ferrowax
