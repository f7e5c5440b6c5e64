#include "bench_support.h"

#include <QFile>

#include <cstdio>

#include <sys/resource.h>

namespace ferrowax::bench {

int AnsweringDialogs::showMessage(const QString& text, int style, const QString&)
{
    messages.append(text);
    if (onMessage)
        onMessage(text);
    return (style & 7) == BoxStyle::YesNo ? Answer::Yes : Answer::Ok;
}

namespace {
double statusFieldMiB(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

double secondsOf(timeval time)
{
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}
} // namespace

double peakMemoryMiB()
{
    return statusFieldMiB("VmHWM:");
}

double currentMemoryMiB()
{
    return statusFieldMiB("VmRSS:");
}

CpuTime cpuTime()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return {secondsOf(usage.ru_utime), secondsOf(usage.ru_stime)};
}

CommandRun timeCommand(const QByteArray& command)
{
    // Of the processes waited for, the shell's own children among them.
    const auto childrenCpu = [] {
        rusage usage {};
        ::getrusage(RUSAGE_CHILDREN, &usage);
        return secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
    };
    const double cpuBefore = childrenCpu();
    QElapsedTimer timer;
    timer.start();
    FILE* pipe = ::popen(command.constData(), "r");
    long lines = 0;
    if (pipe != nullptr) {
        char buffer[1 << 16];
        size_t read = 0;
        while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            for (size_t i = 0; i < read; ++i)
                lines += buffer[i] == '\n' ? 1 : 0;
        }
        ::pclose(pipe);
    }
    return {static_cast<double>(timer.nsecsElapsed()) / 1e9, lines, childrenCpu() - cpuBefore};
}

} // namespace ferrowax::bench
