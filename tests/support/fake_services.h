#pragma once

#include "desktop_services/clipboard.h"
#include "desktop_services/desktop_launcher.h"
#include "os/event_pump.h"
#include "os/failure.h"
#include "os/process_end.h"
#include "os/random_source.h"
#include "os/settings_store.h"
#include "os/spreadsheet.h"
#include "os/windowless_event_pump.h"

#include <QUrl>

#include <functional>
#include <stdexcept>
#include <map>
#include <memory>
#include <vector>

namespace ferrowax::testing {

// Counts yields and runs a hook inside each: the place where a test presses
// Stop or clears a list in the middle of a command.
class HookedEventPump final : public EventPump {
public:
    int yields = 0;
    std::function<void(int yieldNumber)> onYield;
    // Runs inside each wait for another thread's wake, as an event would:
    // the wait ends after it, for a command it ran may have taken the wake.
    std::function<void()> onWait;

    void yield() override
    {
        ++yields;
        if (onYield)
            onYield(yields);
    }
    void yieldUntilWoken() override
    {
        if (onWait)
            onWait();
        else
            waits_.yieldUntilWoken();
    }
    void wake() override { waits_.wake(); }

private:
    WindowlessEventPump waits_;
};

class RecordingLauncher final : public DesktopLauncher {
public:
    std::vector<QUrl> opened;
    // "open PATH" or "show PATH", as bytes.
    std::vector<QByteArray> files;
    // A path whose opening fails.
    QByteArray failing;
    // Runs after each file is handed over, while its launch is watched.
    std::function<void()> whileLaunching;
    void openUrl(const QUrl& url) override { opened.push_back(url); }
    void openFiles(const std::vector<QByteArray>& paths) override
    {
        for (const QByteArray& path : paths)
            record("open ", path);
    }
    void showInFolder(const QByteArray& path) override { record("show ", path); }

private:
    void record(const QByteArray& what, const QByteArray& path)
    {
        if (path == failing)
            throw Failure(QStringLiteral("No application is registered for this file"));
        files.push_back(what + path);
        if (whileLaunching)
            whileLaunching();
    }
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
    // When set, every read fails with this description.
    QString refusal;

    QString read(const QString& application, const QString& section, const QString& key,
        const QString& fallback) const override
    {
        ++reads;
        if (!refusal.isEmpty())
            throw std::runtime_error(refusal.toStdString());
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

// Spreadsheet applications that write down every call made to them, in
// order, across all instances; creation fails while `installed` is false.
class RecordingSpreadsheets final : public SpreadsheetApplications {
public:
    bool installed = true;
    QStringList calls;
    // A call that fails, as "add workbook" or "cell 3 1 /2".
    QString failing;

    std::unique_ptr<SpreadsheetApplication> create() override
    {
        if (!installed)
            throw std::runtime_error("no spreadsheet application");
        const int number = ++created_;
        calls.append(QStringLiteral("create %1").arg(number));
        return std::make_unique<Application>(*this, number);
    }

private:
    class Application final : public SpreadsheetApplication {
    public:
        Application(RecordingSpreadsheets& owner, int number)
            : owner_(owner)
            , number_(number)
        {
        }
        void release() override { record(QStringLiteral("release")); }
        void addWorkbook() override { record(QStringLiteral("add workbook")); }
        void setVisible(bool visible) override { record(QStringLiteral("visible %1").arg(visible)); }
        void setCell(int row, int column, const QString& text) override
        {
            record(QStringLiteral("cell %1 %2 %3").arg(row).arg(column).arg(text));
        }
        void fitColumn(int column) override { record(QStringLiteral("fit %1").arg(column)); }
        void fitAllColumns() override { record(QStringLiteral("fit all")); }

    private:
        void record(const QString& call)
        {
            if (call == owner_.failing)
                throw Failure(QStringLiteral("Failed on cue"));
            owner_.calls.append(QStringLiteral("%1: %2").arg(number_).arg(call));
        }

        RecordingSpreadsheets& owner_;
        int number_;
    };

    int created_ = 0;
};

class RecordingProcessEnd final : public ProcessEnd {
public:
    int ends = 0;
    void endNow() override { ++ends; }
};

} // namespace ferrowax::testing
