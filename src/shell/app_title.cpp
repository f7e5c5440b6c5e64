#include "app_title.h"

#include "desktop_services/dialogs.h"

namespace ferrowax {

namespace {
constexpr qsizetype maximumTitleLength = 40;
}

QString appTitleFrom(const QString& title)
{
    QString t = title;
    do {
        const qsizetype lastBlank = t.lastIndexOf(QLatin1Char(' '));
        if (lastBlank < 0)
            break;
        t.truncate(lastBlank);
    } while (t.size() > maximumTitleLength);
    return t;
}

void SetAppTitle(Dialogs& dialogs)
{
    dialogs.setApplicationTitle(appTitleFrom(productTitle));
}

} // namespace ferrowax
