#include "ini_settings_store.h"

#include "failure.h"
#include "regular_file.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

QString decoded(const QByteArray& content, const QString& file)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(content);
    if (utf8.hasError() || content.contains('\0'))
        throw Failure(file + u" is not a settings file"_s);
    return text;
}

} // namespace

QString IniSettingsStore::fileFor(const QString& application)
{
    // Looked up on every read, so the folder follows XDG_CONFIG_HOME.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' + application + u'/'
        + application + u".ini"_s;
}

QString IniSettingsStore::read(const QString& application, const QString& section, const QString& key,
    const QString& fallback) const
{
    const QString file = fileFor(application);
    if (!QFileInfo::exists(file))
        return fallback;
    const QString text = decoded(readRegularFile(QFile::encodeName(file)), file);

    bool inSection = false;
    for (QStringView written : QStringView(text).split(u'\n')) {
        if (written.endsWith(u'\r'))
            written.chop(1); // the end of a line written on Windows
        const QStringView line = written.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']'))
                throw Failure(file + u" is not a settings file"_s);
            inSection = line.sliced(1, line.size() - 2).trimmed() == section;
            continue;
        }
        // The value is the text after the "=" exactly as written, blanks
        // and quotes included.
        const qsizetype equals = written.indexOf(u'=');
        if (inSection && equals > 0 && written.first(equals).trimmed() == key)
            return written.sliced(equals + 1).toString();
    }
    return fallback;
}

} // namespace ferrowax
