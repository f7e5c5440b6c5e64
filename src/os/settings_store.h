#pragma once

#include <QString>

namespace ferrowax {

// Values that outlive a run, addressed by application, section and key.
// The program only reads them.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or `fallback` when there is none.
    virtual QString read(const QString& application, const QString& section, const QString& key,
        const QString& fallback) const = 0;
};

} // namespace ferrowax
