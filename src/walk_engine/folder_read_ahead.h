#pragma once

#include "folder_reader.h"
#include "walk_limits.h"

#include <QByteArray>

#include <deque>
#include <functional>
#include <memory>

namespace ferrowax {

class EventPump;

// Reads one folder. Called on reader threads, several at once, and never
// throws: a failure is the folder's.
using ReadFolder = std::function<FolderReading(const FolderToRead&)>;

// Reads the folders a depth-first walk will ask for, on threads of its own
// and ahead of it, so that the walk's thread never waits on the disk: the
// walk asks whether the next folder is read, and while it is not, it
// handles events until its event pump is woken. Readers may finish out of
// order; the walk still gets the folders in its own order, and meets each
// folder and each failure where reading them in step would have.
//
// What it holds open is bounded whatever the tree: the top folder and a
// few others, opened again when needed from a folder still open below or
// above them (never from a path re-read from the top), each checked to be
// the folder that was read there, so a tree renamed, moved or swapped
// meanwhile loses nothing and mixes nothing in.
//
// A reader stuck in the kernel cannot be stopped or joined. It is
// abandoned instead: a new walk gets a new plan and new readers, and what
// an abandoned reader brings back is dropped. No other reader enters that
// folder while it is stuck there.
class FolderReadAhead {
public:
    // `walkPump` is woken when the folder the walk waits for is read; it
    // must outlive this. `limits` say which subfolders are left out.
    FolderReadAhead(ReadFolder readFolder, EventPump& walkPump, WalkLimits limits = {});
    ~FolderReadAhead();
    FolderReadAhead(const FolderReadAhead&) = delete;
    FolderReadAhead& operator=(const FolderReadAhead&) = delete;

    // A walk starts at `root`: a new plan, read by new readers.
    void start(const QByteArray& root);
    // True when `path` is read and next in the walk's order: each folder is
    // named by its parent's path, as the walk names it, and its name in
    // it. Otherwise it is
    // being read, and the walk's pump is woken once it is. A walk that asks
    // for a folder the plan does not have next starts a new plan there.
    bool ready(const QByteArray& path);
    // True when take() answers `path` at once.
    bool holdsNext(const QByteArray& path) const;
    FolderReading take();

    // Reads nothing more for the walk; readers still in a folder leave it
    // when it answers.
    void stop() { restart({}); }
    // Folders a walk asked for that the plan did not have next.
    int foldersOutsideThePlan() const { return foldersOutsideThePlan_; }
    // Reader threads still running, abandoned ones included.
    static int readersRunning();

private:
    struct Plan;
    // A folder read, as the plan named it.
    struct Served {
        QByteArray name;
        std::shared_ptr<const OpenedFolder> parent;
        FolderReading reading;
    };

    void restart(const QByteArray& root);
    // Whether `path` names the folder `name` in `parent` (none: a top).
    bool names(const QByteArray& path, const QByteArray& name, const OpenedFolder* parent) const;
    void addReader();
    static void serve(const std::shared_ptr<Plan>& plan);

    ReadFolder readFolder_;
    EventPump& walkPump_;
    std::shared_ptr<const WalkLimits> limits_;
    std::shared_ptr<MountWatch> mounts_; // none: no mount is left out
    std::shared_ptr<Plan> plan_;
    std::deque<Served> taken_; // read, in the walk's order, for the walk alone
    QByteArray servedPart_; // the path and a separator of the folder served last
    int foldersOutsideThePlan_ = 0;
};

} // namespace ferrowax
