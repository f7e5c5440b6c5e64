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
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']'))
                throw Failure(file + u" is not a settings file"_s);
            inSection = line.sliced(1, line.size() - 2).trimmed() == section;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (inSection && equals > 0 && line.first(equals).trimmed() == key)
            return line.sliced(equals + 1).trimmed().toString();
    }
    return fallback;
}

} // namespace ferrowax
