#include "skin.h"

#include "platform/failure.h"
#include "walk_engine/file_system.h"
#include "platform/regular_file.h"

#include <QFile>
#include <QPalette>
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
        styleSheet = QString::fromUtf8(fileSystem.readFile(path));
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
