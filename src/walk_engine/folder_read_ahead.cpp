#include "folder_read_ahead.h"

#include "folder_descriptors.h"
#include "os/event_pump.h"
#include "os/path_parts.h"
#include "reads_in_flight.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <list>
#include <map>
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

bool outOfDescriptors(const std::optional<Failure>& failure)
{
    return failure && (failure->errorNumber() == EMFILE || failure->errorNumber() == ENFILE);
}

bool outOfDescriptors(const FolderReading& reading)
{
    return outOfDescriptors(reading.factsFailure) || outOfDescriptors(reading.listingFailure);
}

} // namespace

// The folders in the walk's order: the front is the one the walk needs
// next; a folder's subfolders go in right behind it once it is read. Shared
// with the readers, which may outlive the walk that planned it.
struct FolderReadAhead::Plan {
    struct Folder {
        enum class State { Waiting, Reading, Read };
        QByteArray path;
        std::shared_ptr<OpenedFolder> parent; // none: opened by path
        State state = State::Waiting;
        // A reader, of this walk or an abandoned one, is in it already.
        bool readElsewhere = false;
        FolderReading reading;
    };
    using Position = std::list<Folder>::iterator;

    // What a reader takes out of the plan to read a folder.
    struct Job {
        QByteArray path;
        std::shared_ptr<OpenedFolder> parent;
        std::shared_ptr<const FileDescriptor> parentDescriptor;
        RouteToFolder routeToParent; // when the parent's descriptor was let go
        std::optional<dev_t> topDevice;
        bool freely = true; // before descriptors ran short, without waiting its turn

        void letDescriptorsGo()
        {
            parentDescriptor.reset();
            routeToParent.from.reset();
        }
    };

    Plan(ReadFolder read, EventPump& pump, std::shared_ptr<const WalkLimits> walkLimits,
        std::shared_ptr<const MountDevices> mountDevices)
        : readFolder(std::move(read))
        , walkPump(pump)
        , limits(std::move(walkLimits))
        , mounts(std::move(mountDevices))
        , descriptors(folderDescriptorsToHold())
    {
    }

    static bool readable(const Folder& folder)
    {
        return folder.state == Folder::State::Waiting && !folder.readElsewhere;
    }

    Position nextToRead()
    {
        if (!folders.empty() && readable(folders.front()))
            return folders.begin();
        if (bytesRead >= bytesAhead)
            return folders.end();
        std::size_t ahead = 1;
        for (auto folder = std::next(folders.begin()); folder != folders.end() && ahead < foldersAhead;
             ++folder, ++ahead) {
            if (readable(*folder))
                return folder;
        }
        return folders.end();
    }

    // Under the mutex, so that a cancelled plan never wakes anyone.
    void markRead(Position folder, FolderReading reading)
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

    // Under the mutex: the folder's parent is opened, or known to be opened
    // again, for the reader that takes it.
    Job takeJob(Position folder)
    {
        folder->state = Folder::State::Reading;
        Job job{folder->path, std::move(folder->parent), {}, {}, topDevice, !descriptorsShort};
        readingFreely += job.freely ? 1 : 0;
        if (job.parent) {
            // One that waits its turn holds nothing until then.
            if (job.freely)
                job.parentDescriptor = descriptors.descriptorOf(*job.parent, job.routeToParent);
            descriptors.subFolderTaken(*job.parent);
        }
        return job;
    }

    // Outside the mutex. Running out of descriptors is never a folder's
    // failure while others can come back: from then on readers take turns,
    // each holding nothing while it waits and keeping its turn until it has
    // let go of what it opened, and one that still runs short lets every
    // held descriptor go and tries again until no reader is left that
    // began before the turns.
    FolderReading read(Job& job, std::shared_ptr<const FileDescriptor>& reopenedParent, bool& waited,
        std::unique_lock<std::mutex>& turn)
    {
        bool othersReading = false;
        if (!job.freely) {
            turn.lock();
            routeAfresh(job, false, othersReading);
        }
        FolderReading reading = readOnce(job, reopenedParent, waited);
        while (outOfDescriptors(reading)) {
            job.letDescriptorsGo();
            reopenedParent.reset();
            if (job.freely) {
                stopReadingFreely(job);
                turn.lock();
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            if (!routeAfresh(job, true, othersReading))
                break;
            reading = readOnce(job, reopenedParent, waited);
            if (!othersReading)
                break; // nothing else held: it really cannot be opened
        }
        return reading;
    }

    FolderReading readOnce(Job& job, std::shared_ptr<const FileDescriptor>& reopenedParent, bool& waited) const
    {
        FolderReading reading;
        try {
            if (job.parent && !job.parentDescriptor)
                reopenedParent = job.parentDescriptor = openRoute(job.routeToParent);
            const long waitsBefore = timesThisThreadWaited();
            reading = readFolder({job.path, job.parentDescriptor});
            waited = waited || timesThisThreadWaited() != waitsBefore;
        } catch (...) {
            reading = FolderReading{};
            reading.factsFailure = currentFailure();
        }
        reading.path = job.path;
        return reading;
    }

    void stopReadingFreely(Job& job)
    {
        const std::lock_guard lock(mutex);
        --readingFreely;
        job.freely = false;
    }

    // The job's parent, held or to be opened again, once every held
    // descriptor is let go if `letGo`. False once the walk has gone.
    bool routeAfresh(Job& job, bool letGo, bool& othersReading)
    {
        const std::lock_guard lock(mutex);
        descriptorsShort = true;
        if (letGo)
            descriptors.letAllGo();
        othersReading = readingFreely > 0;
        if (job.parent)
            job.parentDescriptor = descriptors.descriptorOf(*job.parent, job.routeToParent);
        return !cancelled;
    }

    // Outside the mutex: leaves out what the walk leaves out.
    void limit(FolderReading& reading, const Job& job) const
    {
        if (!limits->leaveOutAny())
            return;
        try {
            const dev_t top = job.topDevice.value_or(reading.facts.device);
            leaveOutSubFolders(reading, *limits, top, *mounts);
        } catch (...) {
            reading.listing.reset();
            reading.listingFailure = currentFailure();
        }
    }

    // Under the mutex: the subfolders of what a reader read go into the plan
    // behind it; running out of memory here is the folder's failure.
    std::list<Folder> plannedSubFolders(FolderReading& reading, const Job& job) noexcept
    {
        std::list<Folder> planned;
        if (reading.listing) {
            try {
                std::shared_ptr<OpenedFolder> opened;
                const auto count = static_cast<int>(reading.listing->subFolders().size());
                if (reading.opened && count > 0) {
                    QByteArray name = job.parent ? nameOf(job.path) : reading.facts.path;
                    opened = descriptors.keep(job.parent, std::move(name), std::move(reading.opened), count);
                }
                for (const FolderItem& subFolder : reading.listing->subFolders())
                    planned.push_back({subFolder.path(), opened, {}, {}, {}});
            } catch (...) {
                planned.clear();
                reading.listing.reset();
                reading.listingFailure = currentFailure();
            }
        }
        reading.opened.reset();
        return planned;
    }

    // Called by ReadsInFlight when the reader in `path` leaves it.
    void readElsewhereEnded(const QByteArray& path)
    {
        {
            const std::lock_guard lock(mutex);
            const auto folder = readElsewhere.find(path);
            if (folder == readElsewhere.end())
                return;
            folder->second->readElsewhere = false;
            readElsewhere.erase(folder);
        }
        workChanged.notify_all();
    }

    const ReadFolder readFolder;
    EventPump& walkPump;
    const std::shared_ptr<const WalkLimits> limits;
    const std::shared_ptr<const MountDevices> mounts;
    std::mutex mutex;
    std::mutex takingTurns;
    std::condition_variable workChanged;
    std::list<Folder> folders;
    std::map<QByteArray, Position> readElsewhere;
    FolderDescriptors descriptors;
    std::optional<dev_t> topDevice;
    qsizetype bytesRead = 0;
    int unread = 0; // waiting or being read: once none, the tree is read
    int readers = 0;
    int readersIdle = 0;
    bool cancelled = false;
    bool walkWaiting = false;
    bool descriptorsShort = false; // readers take turns, and none is added
    int readingFreely = 0;
    int readsDone = 0;
    // Reads that waited on the device: when many do, more readers help.
    int readsThatWaited = 0;
    std::atomic<bool> frontRead = false;
};

FolderReadAhead::FolderReadAhead(ReadFolder readFolder, EventPump& walkPump, WalkLimits limits)
    : readFolder_(std::move(readFolder))
    , walkPump_(walkPump)
    , limits_(std::make_shared<const WalkLimits>(std::move(limits)))
    , mounts_(std::make_shared<const MountDevices>(limits_->oneFileSystem ? mountDevices() : MountDevices()))
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
            plan_->descriptors.letAllGo();
        }
        plan_->workChanged.notify_all();
        plan_.reset();
    }
    if (root.isNull())
        return;
    plan_ = std::make_shared<Plan>(readFolder_, walkPump_, limits_, mounts_);
    plan_->folders.push_back({root, nullptr, {}, {}, {}});
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
            serve(plan);
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
            failed.path = plan_->folders.front().path;
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
            if (plan_->folders.empty() || plan_->folders.front().path != path) {
                lock.unlock();
                ++foldersOutsideThePlan_;
                restart(path);
                return false;
            }
            plan_->walkWaiting = true;
            const bool readsWait = plan_->readsThatWaited * 4 > plan_->readsDone;
            const bool moreWouldHelp = readsWait && plan_->readersIdle == 0 && plan_->readers < mostReaders
                && !plan_->descriptorsShort;
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

void FolderReadAhead::serve(const std::shared_ptr<Plan>& shared)
{
    Plan& plan = *shared;
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
        const bool claimed = ReadsInFlight::ofProcess().claim(folder->path,
            [plan = std::weak_ptr<Plan>(shared), path = folder->path] {
                if (const std::shared_ptr<Plan> waiting = plan.lock())
                    waiting->readElsewhereEnded(path);
            });
        if (!claimed) {
            // Read again once that read ends; the walk waits as for any folder.
            folder->readElsewhere = true;
            plan.readElsewhere.emplace(folder->path, folder);
            continue;
        }
        Plan::Job job = plan.takeJob(folder);
        lock.unlock();

        std::unique_lock turn(plan.takingTurns, std::defer_lock);
        std::shared_ptr<const FileDescriptor> reopenedParent;
        bool waited = false;
        FolderReading reading = plan.read(job, reopenedParent, waited, turn);
        ReadsInFlight::ofProcess().release(job.path);
        plan.limit(reading, job);

        lock.lock();
        ++plan.readsDone;
        if (plan.cancelled) {
            lock.unlock();
            break; // what it read goes with it
        }
        if (reopenedParent)
            plan.descriptors.reopened(job.parent, std::move(reopenedParent));
        if (!job.topDevice && reading.factsFailure == std::nullopt)
            plan.topDevice = reading.facts.device;
        plan.readsThatWaited += waited ? 1 : 0;
        std::list<Plan::Folder> subFolders = plan.plannedSubFolders(reading, job);
        const bool moreWork = !subFolders.empty();
        plan.unread += static_cast<int>(subFolders.size());
        plan.folders.splice(std::next(folder), subFolders);
        plan.markRead(folder, std::move(reading));
        // What it opened is let go or held by the plan: others may count on it.
        job.letDescriptorsGo();
        plan.readingFreely -= job.freely ? 1 : 0;
        if ((moreWork || plan.unread == 0) && plan.readersIdle > 0)
            plan.workChanged.notify_all();
    }
    if (!lock.owns_lock())
        lock.lock();
    --plan.readers;
}

} // namespace ferrowax
