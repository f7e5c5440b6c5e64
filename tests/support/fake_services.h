#pragma once

#include "platform/clipboard.h"
#include "platform/desktop_launcher.h"
#include "platform/event_pump.h"
#include "platform/process_end.h"
#include "platform/random_source.h"
#include "platform/settings_store.h"

#include <QUrl>

#include <functional>
#include <stdexcept>
#include <map>
#include <vector>

namespace ferrowax::testing {

// Counts yields and runs a hook inside each: the place where a test presses
// Stop or clears a list in the middle of a command.
class HookedEventPump final : public EventPump {
public:
    int yields = 0;
    std::function<void(int yieldNumber)> onYield;

    void yield() override
    {
        ++yields;
        if (onYield)
            onYield(yields);
    }
};

class RecordingLauncher final : public DesktopLauncher {
public:
    std::vector<QUrl> opened;
    void openUrl(const QUrl& url) override { opened.push_back(url); }
};

class ScriptedRandom final : public RandomSource {
public:
    double value = 0.5;
    int seeds = 0;
    void seedFromClock() override { ++seeds; }
    double next() override { return value; }
};

class ScriptedSettings final : public SettingsStore {
public:
    // Keyed by "application/section/key".
    std::map<QString, QString> values;
    mutable int reads = 0;

    QString read(const QString& application, const QString& section, const QString& key,
        const QString& fallback) const override
    {
        ++reads;
        const auto found = values.find(application + u'/' + section + u'/' + key);
        return found == values.end() ? fallback : found->second;
    }
};

// Holds what was put on it; fails while `busyAttempts` is above zero, the
// way a clipboard held by another program does.
class ScriptedClipboard final : public Clipboard {
public:
    QString text = QStringLiteral("previous content");
    int busyAttempts = 0;
    int attempts = 0;
    int clears = 0;

    void clear() override
    {
        attempt();
        ++clears;
        text.clear();
    }
    void setText(const QString& newText) override
    {
        attempt();
        text = newText;
    }

private:
    void attempt()
    {
        ++attempts;
        if (busyAttempts > 0) {
            --busyAttempts;
            throw std::runtime_error("clipboard busy");
        }
    }
};

class RecordingProcessEnd final : public ProcessEnd {
public:
    int ends = 0;
    void endNow() override { ++ends; }
};

} // namespace ferrowax::testing
