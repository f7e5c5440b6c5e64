#include "help.h"

#include "error_report.h"
#include "maker.h"
#include "desktop_services/dialogs.h"
#include "procedure.h"

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
