#pragma once

#include "scripted_dialogs.h"
#include "os/event_pump.h"
#include "search/search_in_files.h"
#include "search/walk_host.h"
#include "walk_engine/posix_file_system.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <functional>
#include <vector>

namespace ferrowax::testing {

// Stands where the search run stands and records what the walk does.
class RecordingWalkHost final : public WalkHost {
public:
    // `readingPump` is the one the file system wakes, if it reads on
    // threads of its own.
    explicit RecordingWalkHost(const FileSystem& fileSystem, EventPump* readingPump = nullptr)
        : fileSystem_(fileSystem)
        , readingPump_(readingPump)
    {
    }

    ScriptedDialogs boxes;
    std::vector<QByteArray> results;
    QStringList progressTexts;
    int yields = 0;
    int waits = 0;
    int scrolls = 0;
    bool stop = false;
    std::function<void(int yieldNumber)> onYield;
    std::function<void(int waitNumber)> onWait;

    const FileSystem& fileSystem() override { return fileSystem_; }
    Dialogs& dialogs() override { return boxes; }
    void yield() override
    {
        ++yields;
        if (onYield)
            onYield(yields);
    }
    void yieldWhileReading() override
    {
        ++waits;
        if (onWait)
            onWait(waits);
        ASSERT_NE(readingPump_, nullptr) << "the file system reads on threads, but no pump waits for them";
        readingPump_->yieldUntilWoken();
    }
    bool stopRequested() const override { return stop; }
    void setProgressText(const QString& text) override { progressTexts.append(text); }
    void appendResult(QByteArrayView folderPart, QByteArrayView name) override
    {
        results.push_back(folderPart.toByteArray() + name.toByteArray());
    }
    void scrollResultsToEnd() override { ++scrolls; }

private:
    const FileSystem& fileSystem_;
    EventPump* readingPump_;
};

// Reads ahead from `top`, then walks it as a search run does.
inline void walkReadingAhead(const PosixFileSystem& fileSystem, RecordingWalkHost& host, const QByteArray& top,
    const ExtensionArray& extensions = {"txt"}, int includeSubfolders = 1)
{
    fileSystem.readAheadFrom(top);
    searchInFiles(top, extensions, includeSubfolders, host);
}

} // namespace ferrowax::testing
