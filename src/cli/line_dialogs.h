#pragma once

#include "desktop_services/dialogs.h"

#include <cstdio>
#include <functional>

namespace ferrowax {

// The window's boxes as lines of text: an error report names the path the
// failure concerns, the failure and where it happened ("ferrowax: /x/gone:
// No such file or directory (in ....searchInFiles at line 104)"), any other
// box its text, each on one line. Asks no question. `beforeEachLine` runs
// first, so that what was printed before a report comes before it.
class LineDialogs final : public Dialogs {
public:
    explicit LineDialogs(std::FILE* out, std::function<void()> beforeEachLine = {});

    int linesWritten() const { return lines_; }

    QString pickFolder(const QString& prompt, const QString& initialFolder) override;
    QString saveFileName(const SaveFileRequest& request) override;

protected:
    int showMessage(const QString& text, int style, const QString& caption) override;
    QString showInput(const QString& prompt, const QString& caption) override;
    int showFailure(const QString& text, int style, const QString& caption, const std::exception& failure) override;

private:
    std::FILE* out_;
    std::function<void()> beforeEachLine_;
    int lines_ = 0;
};

} // namespace ferrowax
