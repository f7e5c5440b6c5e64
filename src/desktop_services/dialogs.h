#pragma once

#include <QString>
#include <QStringList>

#include <exception>

namespace ferrowax {

// Message-box styles and answers, with the numbers commands compare against.
namespace BoxStyle {
inline constexpr int OkOnly = 0;
inline constexpr int YesNo = 4;
inline constexpr int Exclamation = 48;
} // namespace BoxStyle

namespace Answer {
inline constexpr int Ok = 1;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
} // namespace Answer

struct SaveFileRequest {
    QString title;
    QStringList filters; // the first one is preselected
};

// Every modal box the program shows. Boxes that give no caption of their own
// wear the application title; that rule lives here, once, for every
// implementation.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    void setApplicationTitle(const QString& title) { applicationTitle_ = title; }
    const QString& applicationTitle() const { return applicationTitle_; }

    int messageBox(const QString& text, int style, const QString& title = {});
    // A message box that reports `failure`.
    int failureBox(const QString& text, int style, const QString& title, const std::exception& failure);
    // The typed text, or the empty text on Cancel.
    QString inputBox(const QString& prompt, const QString& title = {});
    // A real folder's full path, or the empty text on Cancel.
    virtual QString pickFolder(const QString& prompt, const QString& initialFolder) = 0;
    // The chosen file name, or the empty text on Cancel.
    virtual QString saveFileName(const SaveFileRequest& request) = 0;

protected:
    virtual int showMessage(const QString& text, int style, const QString& caption) = 0;
    virtual QString showInput(const QString& prompt, const QString& caption) = 0;
    // Shows the text, as any box; a report shown as other than its text
    // reads the failure itself.
    virtual int showFailure(const QString& text, int style, const QString& caption, const std::exception& failure)
    {
        Q_UNUSED(failure)
        return showMessage(text, style, caption);
    }

private:
    QString captionFor(const QString& title) const;

    QString applicationTitle_;
};

} // namespace ferrowax
