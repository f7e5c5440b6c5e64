#pragma once

#include "desktop_services/dialogs.h"

#include <cstdio>

namespace ferrowax {

// The window's boxes as lines of text: an error report says where and why
// ("ferrowax: in ....searchInFiles at line 104: No such file or directory"),
// any other box its text, each on one line. Asks no question.
class LineDialogs final : public Dialogs {
public:
    explicit LineDialogs(std::FILE* out);

    int linesWritten() const { return lines_; }

    QString pickFolder(const QString& prompt, const QString& initialFolder) override;
    QString saveFileName(const SaveFileRequest& request) override;

protected:
    int showMessage(const QString& text, int style, const QString& caption) override;
    QString showInput(const QString& prompt, const QString& caption) override;

private:
    std::FILE* out_;
    int lines_ = 0;
};

} // namespace ferrowax
