#include "text_export.h"

#include "command_kit/error_report.h"
#include "command_kit/procedure.h"
#include "command_kit/services.h"
#include "command_kit/window_state.h"
#include "desktop_services/dialogs.h"
#include "os/event_pump.h"
#include "walk_engine/file_system.h"
#include "os/output_file.h"

#include <QFile>

#include <memory>

using namespace Qt::StringLiterals;

namespace ferrowax {

void PushButton2_Click(WindowState& window, Services& services)
{
    ErrorReport report(services.dialogs);
    Procedure p(report, u"in Drovatek2021/08/31.Form1.PushButton2_Click "_s);
    SaveFileRequest request;
    QString name;
    int answer = Answer::Yes;
    std::unique_ptr<OutputFile> file;

    // 106, 108: the dialog starts without a name and asks nothing of its own
    // about existing files.
    p.step(110, [&] { request.title = u"Save"_s; });
    p.step(112, [&] { request.filters = {u"Text Files (*.txt)"_s, u"All Files (*.*)"_s}; });
    p.step(114, [&] { name = services.dialogs.saveFileName(request); });
    if (p.test(118, [&] { return name.isEmpty(); }))
        return;
    if (p.test(120, [&] { return IsFilePresent(services.fileSystem, QFile::encodeName(name)); })) {
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
    bool whole = p.step(130, [&] { file = services.outputFiles.create(QFile::encodeName(name)); });
    if (whole) {
        EntryListModel& results = window.resultList();
        QByteArray line;
        const int lines = p.loopBound(132, 1, [&] { return results.count(); });
        for (int i = 1; whole && i <= lines; ++i) {
            p.step(134, [&] { services.eventPump.yield(); });
            whole = p.step(136, [&] {
                results.copyEntry(i, line);
                file->write(line.append("\r\n"));
                if (i == lines)
                    file->flush(); // a full disk shows at a line, not at the close
            });
        }
    }
    whole = whole && p.step(140, [&] { file->close(); });
    file.reset();
    if (whole)
        p.step(142, [&] { services.dialogs.messageBox(u"Done."_s, BoxStyle::OkOnly); });
    p.step(144, [&] { window.setMousePointer(Pointer::Default); });
}

} // namespace ferrowax
