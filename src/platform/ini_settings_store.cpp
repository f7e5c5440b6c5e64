#include "ini_settings_store.h"

#include <QSettings>
#include <QStandardPaths>

namespace ferrowax {

QString IniSettingsStore::fileFor(const QString& application)
{
    // Looked up on every read, so the folder follows XDG_CONFIG_HOME.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' + application + u'/'
        + application + QStringLiteral(".ini");
}

QString IniSettingsStore::read(const QString& application, const QString& section, const QString& key,
    const QString& fallback) const
{
    const QSettings settings(fileFor(application), QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return fallback;
    return settings.value(section + u'/' + key, fallback).toString();
}

} // namespace ferrowax
