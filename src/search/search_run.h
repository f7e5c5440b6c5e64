#pragma once

#include "walk_host.h"

#include <QString>

namespace ferrowax {

struct Services;
class WindowState;

// "Start Searching" and "Stop": one button, whose caption tells which.
// Stop, like every other command, runs inside the run's yields.
class SearchRun final : private WalkHost {
public:
    SearchRun(WindowState& window, Services& services);

    void PushButton1_Click();

    // True once a run has ended or been asked to stop.
    bool stopSearch = false;
    // The start button's caption as it was when the last run began.
    QString startCaption;

private:
    const FileSystem& fileSystem() override;
    Dialogs& dialogs() override;
    void yield() override;
    void yieldWhileReading() override;
    bool stopRequested() const override;
    void setProgressText(const QString& text) override;
    void appendResult(QByteArrayView folderPart, QByteArrayView name) override;
    void scrollResultsToEnd() override;

    WindowState& window_;
    Services& services_;
};

} // namespace ferrowax
