#include "folder_read_ahead.h"

#include "platform/event_pump.h"

#include <atomic>
#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>

#include <sys/resource.h>

namespace ferrowax {

namespace {

// Far enough ahead to keep the walk fed, near enough that a stopped walk
// leaves little behind. Neither limit ever holds back the folder the walk
// needs next.
constexpr std::size_t foldersAhead = 256;
constexpr qsizetype bytesAhead = 8 * 1024 * 1024;
constexpr int spinsBeforeYielding = 200;
// Two readers keep up with a walk over folders the system has in memory. A
// cold disk answers faster the more reads wait on it at once, so while many
// reads wait on the device, the walk adds readers whenever it waits and all
// of them are at work.
constexpr int firstReaders = 2;
constexpr int mostReaders = 16;

// A read that gave up the processor of its own accord waited on the device;
// one that was only preempted, as on a busy machine, did not.
long timesThisThreadWaited()
{
    rusage usage {};
    ::getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

std::atomic<int> readersRunning_ = 0;

void pauseBriefly()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

qsizetype bytesOf(const FolderReading& reading)
{
    if (!reading.listing)
        return 0;
    const auto count = [](const std::vector<FolderItem>& items) { return static_cast<qsizetype>(items.size()); };
    return 32 * (count(reading.listing->files()) + count(reading.listing->subFolders()) + count(reading.listing->others()));
}

} // namespace

// The folders in the walk's order: the front is the one the walk needs
// next; a folder's subfolders go in right behind it once it is read. Shared
// with the readers, which may outlive the walk that planned it.
struct FolderReadAhead::Plan {
    struct Folder {
        enum class State { Waiting, Reading, Read };
        FolderToRead where;
        State state = State::Waiting;
        FolderReading reading;
    };

    Plan(ReadFolder read, EventPump& pump)
        : readFolder(std::move(read))
        , walkPump(pump)
    {
    }

    std::list<Folder>::iterator nextToRead()
    {
        if (folders.empty() || folders.front().state == Folder::State::Waiting)
            return folders.begin();
        if (bytesRead >= bytesAhead)
            return folders.end();
        std::size_t ahead = 1;
        for (auto folder = std::next(folders.begin()); folder != folders.end() && ahead < foldersAhead;
             ++folder, ++ahead) {
            if (folder->state == Folder::State::Waiting)
                return folder;
        }
        return folders.end();
    }

    // Under the mutex, so that a cancelled plan never wakes anyone.
    void markRead(std::list<Folder>::iterator folder, FolderReading reading)
    {
        --unread;
        bytesRead += bytesOf(reading);
        folder->reading = std::move(reading);
        folder->state = Folder::State::Read;
        if (folder != folders.begin())
            return;
        frontRead.store(true, std::memory_order_release);
        if (walkWaiting) {
            walkWaiting = false;
            walkPump.wake();
        }
    }

    // The subfolders of what a reader read, to go into the plan behind it;
    // running out of memory here is the folder's failure.
    static std::list<Folder> subFoldersOf(FolderReading& reading) noexcept
    {
        std::list<Folder> planned;
        if (reading.listing) {
            try {
                for (const FolderItem& subFolder : reading.listing->subFolders())
                    planned.push_back({{subFolder.path(), reading.opened}, {}, {}});
            } catch (...) {
                planned.clear();
                reading.listing.reset();
                reading.listingFailure = currentFailure();
            }
        }
        reading.opened.reset();
        return planned;
    }

    FolderReading read(const FolderToRead& where) const noexcept
    {
        FolderReading reading;
        try {
            reading = readFolder(where);
        } catch (...) {
            reading = FolderReading{};
            reading.factsFailure = currentFailure();
        }
        reading.path = where.path;
        return reading;
    }

    const ReadFolder readFolder;
    EventPump& walkPump;
    std::mutex mutex;
    std::condition_variable workChanged;
    std::list<Folder> folders;
    qsizetype bytesRead = 0;
    int unread = 0; // waiting or being read: once none, the tree is read
    int readers = 0;
    int readersIdle = 0;
    bool cancelled = false;
    bool walkWaiting = false;
    // Reads that waited on the device: when many do, more readers help.
    int reads = 0;
    int readsThatWaited = 0;
    std::atomic<bool> frontRead = false;
};

FolderReadAhead::FolderReadAhead(ReadFolder readFolder, EventPump& walkPump)
    : readFolder_(std::move(readFolder))
    , walkPump_(walkPump)
{
}

FolderReadAhead::~FolderReadAhead()
{
    restart({});
}

int FolderReadAhead::readersRunning()
{
    return readersRunning_.load();
}

void FolderReadAhead::start(const QByteArray& root)
{
    restart(root);
}

void FolderReadAhead::restart(const QByteArray& root)
{
    taken_.clear();
    if (plan_) {
        {
            const std::lock_guard lock(plan_->mutex);
            plan_->cancelled = true;
        }
        plan_->workChanged.notify_all();
        plan_.reset();
    }
    if (root.isNull())
        return;
    plan_ = std::make_shared<Plan>(readFolder_, walkPump_);
    plan_->folders.push_back({{root, nullptr}, {}, {}});
    plan_->unread = 1;
    plan_->walkWaiting = true;
    for (int i = 0; i < firstReaders; ++i)
        addReader();
}

void FolderReadAhead::addReader()
{
    readersRunning_.fetch_add(1);
    {
        const std::lock_guard lock(plan_->mutex);
        ++plan_->readers;
    }
    try {
        std::thread([plan = plan_]() mutable {
            serve(*plan);
            plan.reset();
            readersRunning_.fetch_sub(1);
        }).detach();
    } catch (...) {
        readersRunning_.fetch_sub(1);
        const std::lock_guard lock(plan_->mutex);
        if (--plan_->readers == 0 && !plan_->folders.empty()
            && plan_->folders.front().state == Plan::Folder::State::Waiting) {
            // Nobody will read the folder the walk waits for: that is its failure.
            FolderReading failed;
            failed.path = plan_->folders.front().where.path;
            failed.factsFailure = currentFailure();
            plan_->markRead(plan_->folders.begin(), std::move(failed));
        }
    }
}

bool FolderReadAhead::holdsNext(const QByteArray& path) const
{
    return !taken_.empty() && taken_.front().path == path;
}

FolderReading FolderReadAhead::take()
{
    FolderReading reading = std::move(taken_.front());
    taken_.pop_front();
    return reading;
}

bool FolderReadAhead::ready(const QByteArray& path)
{
    if (!plan_) {
        ++foldersOutsideThePlan_;
        restart(path);
        return false;
    }
    if (taken_.empty()) {
        // The next folder is often a few microseconds away: a short spin
        // saves a round through the event loop.
        for (int spin = 0; spin < spinsBeforeYielding && !plan_->frontRead.load(std::memory_order_acquire); ++spin)
            pauseBriefly();
        std::unique_lock lock(plan_->mutex);
        // Everything read at the front at once: one lock for many folders.
        while (!plan_->folders.empty() && plan_->folders.front().state == Plan::Folder::State::Read) {
            plan_->bytesRead -= bytesOf(plan_->folders.front().reading);
            taken_.push_back(std::move(plan_->folders.front().reading));
            plan_->folders.pop_front();
        }
        plan_->frontRead.store(false, std::memory_order_relaxed);
        if (taken_.empty()) {
            if (plan_->folders.empty() || plan_->folders.front().where.path != path) {
                lock.unlock();
                ++foldersOutsideThePlan_;
                restart(path);
                return false;
            }
            plan_->walkWaiting = true;
            const bool readsWait = plan_->readsThatWaited * 4 > plan_->reads;
            const bool moreWouldHelp = readsWait && plan_->readersIdle == 0 && plan_->readers < mostReaders;
            lock.unlock();
            if (moreWouldHelp)
                addReader();
            return false;
        }
        // Room was made, and the new front may wait for a reader.
        const bool readersIdle = plan_->readersIdle > 0;
        lock.unlock();
        if (readersIdle)
            plan_->workChanged.notify_all();
    }
    if (holdsNext(path))
        return true;
    ++foldersOutsideThePlan_;
    restart(path);
    return false;
}

void FolderReadAhead::serve(Plan& plan)
{
    std::unique_lock lock(plan.mutex);
    for (;;) {
        ++plan.readersIdle;
        plan.workChanged.wait(lock, [&] {
            return plan.cancelled || plan.unread == 0 || plan.nextToRead() != plan.folders.end();
        });
        --plan.readersIdle;
        if (plan.cancelled || plan.unread == 0)
            break;
        const auto folder = plan.nextToRead();
        folder->state = Plan::Folder::State::Reading;
        FolderToRead where = folder->where;
        folder->where.parent.reset();
        lock.unlock();

        const long waitsBefore = timesThisThreadWaited();
        FolderReading reading = plan.read(where);
        const bool waited = timesThisThreadWaited() != waitsBefore;
        where.parent.reset();
        std::list<Plan::Folder> subFolders = Plan::subFoldersOf(reading);
        const bool moreWork = !subFolders.empty();

        lock.lock();
        if (plan.cancelled) {
            lock.unlock();
            break; // what it read goes with it
        }
        ++plan.reads;
        plan.readsThatWaited += waited ? 1 : 0;
        plan.unread += static_cast<int>(subFolders.size());
        plan.folders.splice(std::next(folder), subFolders);
        plan.markRead(folder, std::move(reading));
        if ((moreWork || plan.unread == 0) && plan.readersIdle > 0)
            plan.workChanged.notify_all();
    }
    if (!lock.owns_lock())
        lock.lock();
    --plan.readers;
}

} // namespace ferrowax
