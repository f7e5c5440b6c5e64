#include "graphical_session.h"

#include <QByteArray>

#include <cstdio>

#include <unistd.h>

namespace ferrowax {

namespace {

void explainAndEnd()
{
    std::fputs("ferrowax: Ferrowax needs a graphical session to show its window; without one, start it in a "
               "virtual display with \"xvfb-run ferrowax\", or use \"ferrowax --list\" (see ferrowax --help).\n",
        stderr);
    ::_exit(1);
}

// Qt reports a display it cannot reach as a fatal message and then aborts.
void endPlainlyOnFatal(QtMsgType type, const QMessageLogContext&, const QString&)
{
    if (type == QtFatalMsg)
        explainAndEnd();
}

bool displayNamed()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.startsWith("xcb"))
        return qEnvironmentVariableIsSet("DISPLAY");
    if (platform.startsWith("wayland"))
        return qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    // Offscreen and other platforms need no display; by default Qt looks
    // for either.
    return !platform.isEmpty() || qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

} // namespace

std::unique_ptr<QApplication> startGraphicalSession(int& argc, char* argv[])
{
    if (!displayNamed())
        explainAndEnd();
    const QtMessageHandler previous = qInstallMessageHandler(endPlainlyOnFatal);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    return application;
}

} // namespace ferrowax
