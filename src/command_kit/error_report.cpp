#include "error_report.h"

#include "maker.h"
#include "desktop_services/dialogs.h"
#include "os/failure.h"

using namespace Qt::StringLiterals;

namespace ferrowax {

ErrorReport::ErrorReport(Dialogs& dialogs)
    : dialogs_(dialogs)
{
}

void ErrorReport::show(const QString& location, int line, const std::exception& failure)
{
    dialogs_.failureBox(
        text(location, line, describe(failure)), BoxStyle::Exclamation, u"Application Error"_s, failure);
}

QString ErrorReport::text(const QString& location, int line, const QString& description)
{
    return description + u"\r\n"_s + location + u"at line "_s + QString::number(line) + u"\r\r"_s
        + u"Please email screenshot of this message to "_s + maker::supportEmail;
}

} // namespace ferrowax
