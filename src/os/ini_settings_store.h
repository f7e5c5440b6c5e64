#pragma once

#include "settings_store.h"

namespace ferrowax {

// One INI file per application in the user's configuration folder
// ($XDG_CONFIG_HOME, else ~/.config), below a folder of that name: lines
// "[section]" and "key=value", ";" or "#" starting a comment line. A value is
// the text after the first "=", without the blanks around it, exactly as
// written: commas, semicolons and quotes are part of it.
//
// A missing file reads as empty. A file that is there but cannot be read,
// is no regular file, is larger than 1 MiB or is no such text fails.
class IniSettingsStore final : public SettingsStore {
public:
    QString read(const QString& application, const QString& section, const QString& key,
        const QString& fallback) const override;

    static QString fileFor(const QString& application);
};

} // namespace ferrowax
