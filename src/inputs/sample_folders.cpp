#include "sample_folders.h"

#include "command_kit/error_report.h"
#include "command_kit/procedure.h"
#include "command_kit/services.h"
#include "command_kit/window_state.h"
#include "desktop_services/desktop_launcher.h"
#include "desktop_services/dialogs.h"

#include <QFile>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace ferrowax {

void PushButton11_Click(WindowState& window, Services& services)
{
    ErrorReport report(services.dialogs);
    Procedure p(report, u"in Drovatek2021/08/31.Form1.PushButton11_Click "_s);
    const QString& programFolder = services.programFolder;

    p.step(100, [&] { window.folderList().append(QFile::encodeName(programFolder + u"/Samples/1"_s)); });
    p.step(102, [&] { window.folderList().append(QFile::encodeName(programFolder + u"/Samples/2"_s)); });
    if (p.test(104, [&] {
            return services.dialogs.messageBox(
                       u"Would you like this software to open the folder where these sample files are stored "
                       u"(so that you can view them before working with them)?"_s,
                       BoxStyle::YesNo)
                != Answer::No;
        })) {
        p.step(106, [&] { services.desktop.openUrl(QUrl::fromLocalFile(programFolder + u"/Samples/"_s)); });
    }
    p.step(108, [&] { window.extensionList().append("jpg"); });
    p.step(110, [&] { window.extensionList().append("txt"); });
}

} // namespace ferrowax
