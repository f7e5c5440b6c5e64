#include "folder_list.h"

#include "command_kit/error_report.h"
#include "command_kit/procedure.h"
#include "command_kit/services.h"
#include "command_kit/window_state.h"
#include "folder_picker.h"
#include "input_list_edits.h"
#include "os/io_service.h"
#include "os/settings_store.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace ferrowax {

FolderListCommands::FolderListCommands(WindowState& window, Services& services)
    : window_(window)
    , services_(services)
{
}

void FolderListCommands::PushButton3_Click()
{
    ErrorReport report(services_.dialogs);
    Procedure p(report, u"in Drovatek2021/08/31.Form1.PushButton3_Click "_s);
    QString path;

    p.step(100, [&] {
        lastFolder = services_.io.run([&settings = services_.settings] {
            return settings.read(u"Kestrune"_s, u"Ferrowax"_s, u"LastFolderDot"_s, {});
        });
    });
    p.step(100, [&] {
        path = PickFolder(
            services_.dialogs, services_.io, services_.fileSystem, u"Please select folder:"_s, lastFolder);
    });
    if (p.test(102, [&] { return path.isEmpty(); }))
        return;
    p.step(104, [&] { window_.setMousePointer(Pointer::Hourglass); });
    p.step(106, [&] {
        window_.folderList().append(QFile::encodeName(QString(path).replace(u":\\\\"_s, u":\\"_s)));
    });
    p.step(108, [&] { window_.setMousePointer(Pointer::Default); });
}

void FolderListCommands::PushButton8_Click()
{
    clearUnlessBusy(
        window_, window_.folderList(), services_.dialogs, u"in Drovatek2021/08/31.Form1.PushButton8_Click "_s);
}

void FolderListCommands::ListView1_DblClick(int selectedNumber)
{
    removeSelectedEntry(window_, window_.folderList(), selectedNumber);
}

void FolderListCommands::ListView1_KeyDown(int keyCode, int selectedNumber)
{
    if (keyCode == keyDelete)
        removeSelectedEntry(window_, window_.folderList(), selectedNumber);
}

} // namespace ferrowax
