#include "home_page.h"

#include "command_kit/maker.h"
#include "desktop_services/desktop_launcher.h"
#include "os/random_source.h"

namespace ferrowax {

void OpenHomePageAtRandom(RandomSource& random, DesktopLauncher& desktop)
{
    random.seedFromClock();
    const int n = static_cast<int>(random.next() * 100) + 1;
    if (n == 7)
        desktop.openUrl(QUrl(maker::homePage));
}

} // namespace ferrowax
