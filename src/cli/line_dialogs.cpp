#include "line_dialogs.h"

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

} // namespace

LineDialogs::LineDialogs(std::FILE* out)
    : out_(out)
{
}

int LineDialogs::showMessage(const QString& text, int style, const QString& caption)
{
    QString line = oneLine(text);
    if (caption == u"Application Error"_s) {
        // The report: the failure, then where it happened, then whom to tell.
        const QString description = text.section(u"\r\n"_s, 0, 0);
        const QString where = text.section(u"\r\n"_s, 1).section(u"\r\r"_s, 0, 0);
        line = oneLine(where) + u": "_s + oneLine(description);
    }
    std::fprintf(out_, "ferrowax: %s\n", line.toUtf8().constData());
    ++lines_;
    return (style & 7) == BoxStyle::YesNo ? Answer::No : Answer::Ok;
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
