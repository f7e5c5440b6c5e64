#include "extension_list.h"

#include "command_kit/error_report.h"
#include "command_kit/procedure.h"
#include "command_kit/services.h"
#include "command_kit/window_state.h"
#include "input_list_edits.h"
#include "desktop_services/dialogs.h"

using namespace Qt::StringLiterals;

namespace ferrowax {

ExtensionListCommands::ExtensionListCommands(WindowState& window, Services& services)
    : window_(window)
    , services_(services)
{
}

void ExtensionListCommands::PushButton7_Click()
{
    ErrorReport report(services_.dialogs);
    Procedure p(report, u"in Drovatek2021/08/31.Form1.PushButton7_Click "_s);
    QString text;

    p.step(100, [&] { text = services_.dialogs.inputBox(u"Add extension: "_s); });
    if (p.test(102, [&] { return text.isEmpty(); }))
        return;
    p.step(104, [&] { window_.setMousePointer(Pointer::Hourglass); });
    p.step(106, [&] { window_.extensionList().append(text.toUtf8()); });
    p.step(108, [&] { window_.setMousePointer(Pointer::Default); });
}

void ExtensionListCommands::PushButton10_Click()
{
    clearUnlessBusy(
        window_, window_.extensionList(), services_.dialogs, u"in Drovatek2021/08/31.Form1.PushButton10_Click "_s);
}

void ExtensionListCommands::ListView3_DblClick(int selectedNumber)
{
    removeSelectedEntry(window_, window_.extensionList(), selectedNumber);
}

void ExtensionListCommands::ListView3_KeyDown(int keyCode, int selectedNumber)
{
    if (keyCode == keyDelete)
        removeSelectedEntry(window_, window_.extensionList(), selectedNumber);
}

} // namespace ferrowax
