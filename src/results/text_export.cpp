#include "text_export.h"

#include "command_kit/error_report.h"
#include "command_kit/procedure.h"
#include "command_kit/services.h"
#include "command_kit/window_state.h"
#include "desktop_services/dialogs.h"
#include "os/event_pump.h"
#include "os/io_service.h"
#include "os/output_file.h"
#include "walk_engine/file_system.h"

#include <QFile>

#include <memory>
#include <utility>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {
// A call of the I/O service per line would cost more than the rest of an
// export.
constexpr qsizetype bytesHandedOverTogether = 1024 * 1024;
} // namespace

void PushButton2_Click(WindowState& window, Services& services)
{
    ErrorReport report(services.dialogs);
    Procedure p(report, u"in Drovatek2021/08/31.Form1.PushButton2_Click "_s);
    IoService& io = services.io;
    SaveFileRequest request;
    QString name;
    int answer = Answer::Yes;
    // Shared with the calls of the I/O service that write it.
    std::shared_ptr<OutputFile> file;

    // 106, 108: the dialog starts without a name and asks nothing of its own
    // about existing files.
    p.step(110, [&] { request.title = u"Save"_s; });
    p.step(112, [&] { request.filters = {u"Text Files (*.txt)"_s, u"All Files (*.*)"_s}; });
    p.step(114, [&] { name = services.dialogs.saveFileName(request); });
    if (p.test(118, [&] { return name.isEmpty(); }))
        return;
    const QByteArray path = QFile::encodeName(name);
    const auto present = [&fileSystem = services.fileSystem, path] { return IsFilePresent(fileSystem, path); };
    if (p.test(120, [&] { return io.run(present); })) {
        p.step(122, [&] {
            answer = services.dialogs.messageBox(
                u"Are you sure you wish to overwrite "_s + name + u" ?"_s, BoxStyle::YesNo);
        });
    } else {
        p.step(124, [&] { answer = Answer::Yes; });
    }
    if (p.test(126, [&] { return answer != Answer::Yes; }))
        return;
    p.step(128, [&] { window.setMousePointer(Pointer::Hourglass); });
    // The new file replaces the old one only once it is whole. The first
    // failure ends the export: one report says why, the old file stays as
    // it was, and "Done." is not shown for a file that was not saved.
    bool whole = p.step(130, [&] {
        file = io.run([&files = services.outputFiles, path] {
            return std::shared_ptr<OutputFile>(files.create(path));
        });
    });
    if (whole) {
        EntryListModel& results = window.resultList();
        QByteArray line;
        QByteArray lines;
        lines.reserve(bytesHandedOverTogether + 4096);
        const int count = p.loopBound(132, 1, [&] { return results.count(); });
        for (int i = 1; whole && i <= count; ++i) {
            p.step(134, [&] { services.eventPump.yield(); });
            whole = p.step(136, [&] {
                results.copyEntry(i, line);
                lines.append(line).append("\r\n");
                // The last lines go with a flush: a full disk shows at a
                // line, not at the close.
                if (lines.size() >= bytesHandedOverTogether || i == count) {
                    io.run([file, text = std::exchange(lines, {}), last = i == count] {
                        file->write(text);
                        if (last)
                            file->flush();
                    });
                    lines.reserve(bytesHandedOverTogether + 4096);
                }
            });
        }
    }
    whole = whole && p.step(140, [&] { io.run([file] { file->close(); }); });
    // Dropped unfinished, a file removes what it wrote.
    io.release(std::move(file));
    if (whole)
        p.step(142, [&] { services.dialogs.messageBox(u"Done."_s, BoxStyle::OkOnly); });
    p.step(144, [&] { window.setMousePointer(Pointer::Default); });
}

} // namespace ferrowax
