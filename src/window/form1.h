#pragma once

#include "command_kit/window_state.h"
#include "inputs/extension_list.h"
#include "inputs/folder_list.h"
#include "search/search_run.h"

#include <QCursor>
#include <QWidget>

#include <functional>
#include <optional>

class QPushButton;

namespace ferrowax {

class LiteralProgressBar;
class ReportView;
struct Services;

// The one window. It shows the WindowState and hands every button press to
// its command; closing it ends the program at once.
class Form1 final : public QWidget {
    Q_OBJECT

public:
    explicit Form1(Services& services);

    // Start-up: runs once, before the window is shown.
    void Form_Load();

    WindowState& state() { return state_; }
    SearchRun& searchRun() { return searchRun_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Unload();

    void createControls();
    QPushButton* addButton(const char* name, const QString& caption, QRect twips, std::function<void()> onClick = {});
    ReportView* addList(const char* name, EntryListModel& model, const QString& toolTip, QRect twips);
    void setTabOrder(const std::vector<QWidget*>& byTabIndex);

    void showMousePointer(int pointer);
    void showProgress();

    Services& services_;
    WindowState state_;
    SearchRun searchRun_;
    FolderListCommands folderListCommands_;
    ExtensionListCommands extensionListCommands_;
    std::optional<QCursor> handCursor_;

    QWidget* surface_ = nullptr;
    ReportView* listView1_ = nullptr;
    ReportView* listView2_ = nullptr;
    ReportView* listView3_ = nullptr;
    QPushButton* pushButton1_ = nullptr;
    LiteralProgressBar* progressBar1_ = nullptr;
};

} // namespace ferrowax
