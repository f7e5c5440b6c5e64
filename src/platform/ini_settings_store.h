#pragma once

#include "settings_store.h"

namespace ferrowax {

// One INI file per application in the user's configuration folder
// ($XDG_CONFIG_HOME, else ~/.config), below a folder of that name. A file
// that is missing, unreadable or no valid INI reads as empty.
class IniSettingsStore final : public SettingsStore {
public:
    QString read(const QString& application, const QString& section, const QString& key,
        const QString& fallback) const override;

    static QString fileFor(const QString& application);
};

} // namespace ferrowax
