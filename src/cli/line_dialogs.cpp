#include "line_dialogs.h"

#include "os/failure.h"

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

QString oneLine(QString text)
{
    text.replace(u"\r\n"_s, u" "_s);
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text.simplified();
}

// A path as its bytes, but for those that would end the line or move the
// cursor, as ls shows them.
QByteArray printable(QByteArray path)
{
    for (char& byte : path) {
        if (static_cast<unsigned char>(byte) < 0x20 || byte == '\x7f')
            byte = '?';
    }
    return path;
}

} // namespace

LineDialogs::LineDialogs(std::FILE* out, std::function<void()> beforeEachLine)
    : out_(out)
    , beforeEachLine_(std::move(beforeEachLine))
{
}

int LineDialogs::showMessage(const QString& text, int style, const QString&)
{
    if (beforeEachLine_)
        beforeEachLine_();
    std::fprintf(out_, "ferrowax: %s\n", oneLine(text).toUtf8().constData());
    ++lines_;
    return (style & 7) == BoxStyle::YesNo ? Answer::No : Answer::Ok;
}

int LineDialogs::showFailure(const QString& text, int, const QString&, const std::exception& error)
{
    const auto* failure = dynamic_cast<const Failure*>(&error);
    // It adds nothing to the line of the step whose failure it follows,
    // which was written and counted.
    if (failure != nullptr && failure->followsEarlierFailure())
        return Answer::Ok;
    QByteArray line = "ferrowax: ";
    if (failure != nullptr && !failure->path().isEmpty())
        line += printable(failure->path()) + ": ";
    const QString description = oneLine(describe(error));
    if (!description.isEmpty())
        line += description.toUtf8() + ' ';
    // The report's text: the failure, then where, then whom to tell.
    const QString where = text.section(u"\r\n"_s, 1).section(u"\r\r"_s, 0, 0);
    line += '(' + oneLine(where).toUtf8() + ")\n";
    if (beforeEachLine_)
        beforeEachLine_();
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), out_);
    ++lines_;
    return Answer::Ok;
}

QString LineDialogs::showInput(const QString&, const QString&)
{
    return {};
}

QString LineDialogs::pickFolder(const QString&, const QString&)
{
    return {};
}

QString LineDialogs::saveFileName(const SaveFileRequest&)
{
    return {};
}

} // namespace ferrowax
