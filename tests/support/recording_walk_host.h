#pragma once

#include "scripted_dialogs.h"
#include "search/walk_host.h"

#include <QStringList>

#include <functional>
#include <vector>

namespace ferrowax::testing {

// Stands where the search run stands and records what the walk does.
class RecordingWalkHost final : public WalkHost {
public:
    explicit RecordingWalkHost(const FileSystem& fileSystem)
        : fileSystem_(fileSystem)
    {
    }

    ScriptedDialogs boxes;
    std::vector<QByteArray> results;
    QStringList progressTexts;
    int yields = 0;
    int scrolls = 0;
    bool stop = false;
    std::function<void(int yieldNumber)> onYield;

    const FileSystem& fileSystem() override { return fileSystem_; }
    Dialogs& dialogs() override { return boxes; }
    void yield() override
    {
        ++yields;
        if (onYield)
            onYield(yields);
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
};

} // namespace ferrowax::testing
