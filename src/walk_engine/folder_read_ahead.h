#pragma once

#include "folder_reader.h"

#include <QByteArray>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace ferrowax {

// Reads the folders a depth-first walk will ask for next, on threads of its
// own, so that the kernel's work on the next folders overlaps the walk's
// work on this one. Readers may finish out of order; the walk still gets
// the folders in its own order, stays on its thread, and meets each folder
// and each failure where it always did.
class FolderReadAhead {
public:
    explicit FolderReadAhead(EntryTypes entryTypes);
    ~FolderReadAhead();
    FolderReadAhead(const FolderReadAhead&) = delete;
    FolderReadAhead& operator=(const FolderReadAhead&) = delete;

    // Starts reading ahead from `root`, dropping what was read for a walk
    // before.
    void start(const QByteArray& root);
    // The reading of `path` when it is the next one the walk was expected to
    // need. Otherwise the walk went elsewhere: reading ahead stops.
    std::optional<FolderReading> take(const QByteArray& path);

private:
    struct Folder {
        enum class State { Waiting, Reading, Read };
        QByteArray path;
        State state = State::Waiting;
        FolderReading reading;
    };
    // The folders in the walk's order: the front is the one the walk needs
    // next; a folder's subfolders go in right behind it once it is read.
    struct Plan {
        std::mutex mutex;
        std::condition_variable workChanged;
        std::condition_variable frontChanged;
        std::list<Folder> folders;
        qsizetype bytesRead = 0;
        int readersAtWork = 0;
        int readersIdle = 0;
        int waiting = 0; // the walk, for the front
        bool cancelled = false;
        std::atomic<bool> frontReady = false; // read, or nothing more will come
    };

    void stop();
    void takeReadFront();
    static void read(Plan& plan, EntryTypes entryTypes);
    static std::list<Folder>::iterator nextToRead(Plan& plan);
    static void updateFront(Plan& plan);

    EntryTypes entryTypes_;
    std::unique_ptr<Plan> plan_;
    std::vector<std::thread> readers_;
    std::deque<FolderReading> taken_; // read, in the walk's order, for this thread alone
};

} // namespace ferrowax
