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

QtMessageHandler qtHandler = nullptr;

// Qt's messages go out as ever. A display it cannot reach it reports as a
// fatal message and then aborts: the message says why, and the program says
// what to do instead, and ends plainly.
void endPlainlyOnFatal(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtFatalMsg) {
        if (qtHandler != nullptr)
            qtHandler(type, context, message);
        else
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
        return;
    }
    std::fprintf(stderr, "ferrowax: %s\n", qPrintable(message.trimmed()));
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
    qtHandler = qInstallMessageHandler(endPlainlyOnFatal);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(qtHandler);
    return application;
}

} // namespace ferrowax
