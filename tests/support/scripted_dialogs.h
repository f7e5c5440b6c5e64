#pragma once

#include "desktop_services/dialogs.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace ferrowax::testing {

struct ShownBox {
    enum class Kind { Message, Input, FolderPicker, SaveFile };
    Kind kind;
    QString caption;
    QString text;
    int style = 0;
    QString initialFolder; // where a folder picker opened
};

// Records every box and answers from a script. A hook runs while a box is
// up, the way a user's click on the window would run inside its event loop.
class ScriptedDialogs final : public Dialogs {
public:
    std::vector<ShownBox> shown;
    std::deque<int> messageAnswers;
    std::deque<QString> inputAnswers;
    std::deque<QString> folderAnswers;
    std::deque<QString> saveAnswers;
    std::function<void(const ShownBox&)> whileShown;
    SaveFileRequest lastSaveRequest;

    // The texts of the message boxes shown, in order.
    QStringList messages() const;
    // The message boxes whose caption is "Application Error".
    std::vector<ShownBox> errorReports() const;

    QString pickFolder(const QString& prompt, const QString& initialFolder) override;
    QString saveFileName(const SaveFileRequest& request) override;

protected:
    int showMessage(const QString& text, int style, const QString& caption) override;
    QString showInput(const QString& prompt, const QString& caption) override;

private:
    void record(ShownBox box);
};

} // namespace ferrowax::testing
