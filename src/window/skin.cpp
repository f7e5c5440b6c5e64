#include "skin.h"

#include "os/failure.h"
#include "walk_engine/file_system.h"
#include "os/regular_file.h"

#include <QFile>
#include <QPalette>
#include <QRegularExpression>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

// Qt parses a style sheet as it is set and reports a broken one only as a
// warning, so the warnings are watched while the sheet is set.
class ParseWarningWatch {
public:
    ParseWarningWatch()
    {
        failed_ = false;
        previous_ = qInstallMessageHandler(&ParseWarningWatch::handle);
    }
    ~ParseWarningWatch() { qInstallMessageHandler(previous_); }
    ParseWarningWatch(const ParseWarningWatch&) = delete;
    ParseWarningWatch& operator=(const ParseWarningWatch&) = delete;

    bool failed() const { return failed_; }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (message.startsWith(u"Could not parse"_s))
            failed_ = true;
        else if (previous_)
            previous_(type, context, message);
    }

    static inline QtMessageHandler previous_ = nullptr;
    static inline bool failed_ = false;
};

// Qt opens the files a style sheet names by url() as a widget is drawn, and
// an open of a pipe or of /proc/kmsg waits for ever. Each must be what the
// skin itself must be, a regular file of at most 1 MiB; any other counts as
// absent and is dropped from the sheet.
QString withReachableFiles(const QString& styleSheet, const FileSystem& fileSystem)
{
    static const QRegularExpression url(uR"re(url\(\s*(?:"([^"]*)"|'([^']*)'|([^)\s]*))\s*\))re"_s);
    QString reachable;
    qsizetype copied = 0;
    for (const QRegularExpressionMatch& match : url.globalMatch(styleSheet)) {
        const QString path = match.captured(1) + match.captured(2) + match.captured(3);
        bool present = path.startsWith(u':'); // built into the program
        if (!present) {
            try {
                fileSystem.readFile(QFile::encodeName(path));
                present = true;
            } catch (const std::exception&) {
            }
        }
        reachable += QStringView(styleSheet).sliced(copied, match.capturedStart() - copied);
        reachable += present ? match.captured() : u"none"_s;
        copied = match.capturedEnd();
    }
    return reachable + styleSheet.sliced(copied);
}

} // namespace

void ApplySkin(QWidget& window, const FileSystem& fileSystem, const QString& programFolder)
{
    const QByteArray path = QFile::encodeName(programFolder + u"/x/o.cjs"_s);
    if (!fileSystem.isNormalFile(path))
        return;
    const QPalette designed = window.palette();
    QPalette background = designed;
    background.setColor(QPalette::Window, background.color(QPalette::Button));
    window.setPalette(background);

    QString styleSheet;
    try {
        styleSheet = withReachableFiles(QString::fromUtf8(fileSystem.readFile(path)), fileSystem);
    } catch (const NotARegularFile&) {
        window.setPalette(designed); // replaced by a pipe or the like since it was looked up: absent
        return;
    }
    ParseWarningWatch watch;
    window.setStyleSheet(styleSheet);
    if (watch.failed()) {
        window.setStyleSheet(QString());
        throw Failure(u"The skin file cannot be read as a style sheet"_s);
    }
}

} // namespace ferrowax
