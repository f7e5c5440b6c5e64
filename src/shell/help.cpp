#include "help.h"

#include "command_kit/error_report.h"
#include "command_kit/maker.h"
#include "desktop_services/dialogs.h"
#include "command_kit/procedure.h"

using namespace Qt::StringLiterals;

namespace ferrowax {

void PushButton9_Click(Dialogs& dialogs)
{
    ErrorReport report(dialogs);
    Procedure p(report, u"in Drovatek2021/08/31.Form1.PushButton9_Click "_s);
    p.step(100, [&] {
        dialogs.messageBox(u"Questions? Please contact Team Kestrune at "_s + maker::contactPage, BoxStyle::OkOnly);
    });
}

} // namespace ferrowax
