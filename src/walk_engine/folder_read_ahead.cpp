#include "folder_read_ahead.h"

#include "file_system.h"
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

namespace ferrowax {

namespace {

// Far enough ahead to keep the walk fed, near enough that a stopped walk
// leaves little behind. Neither limit ever holds back the folder the walk
// needs next.
constexpr std::size_t foldersAhead = 256;
constexpr qsizetype bytesAhead = 8 * 1024 * 1024;
// Two readers keep up with a walk over folders the system has in memory. A
// cold disk answers faster the more reads wait on it at once, so while many
// reads wait on the device, the walk adds readers whenever it waits and all
// of them are at work.
constexpr int firstReaders = 2;
constexpr int mostReaders = 16;

// A read that took far longer than listing its entries from memory does
// waited on the device. The clock costs no system call, as asking the
// kernel whether the thread slept would, twice a folder.
bool waitedOnTheDevice(std::chrono::steady_clock::duration took, const FolderReading& reading)
{
    using namespace std::chrono_literals;
    const auto entries = reading.listing
        ? reading.listing->files().size() + reading.listing->subFolders().size() + reading.listing->others().size()
        : 0;
    return took > 500us + 2us * entries;
}

// A spin that waits for a reader takes the processor that reader needs
// where there are only one or two.
const int spinsBeforeYielding = std::thread::hardware_concurrency() > 2 ? 200 : 0;

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
        QByteArray name; // in its parent; at the top, the path as the walk names it
        std::shared_ptr<OpenedFolder> parent; // none at the top
        State state = State::Waiting;
        // A reader, of this walk or an abandoned one, is in it already.
        bool readElsewhere = false;
        FolderReading reading;
    };
    using Position = std::list<Folder>::iterator;

    // What a reader takes out of the plan to read a folder.
    struct Job {
        QByteArray name;
        std::shared_ptr<OpenedFolder> parent;
        std::shared_ptr<const FileDescriptor> parentDescriptor;
        RouteToFolder routeToParent; // when the parent's descriptor was let go
        std::optional<dev_t> topDevice;
        bool freely = true; // before descriptors ran short, without waiting its turn
        // It took the parent's last subfolder: the folder above to climb to.
        OpenedFolder* climbTo = nullptr;

        void letDescriptorsGo()
        {
            parentDescriptor.reset();
            routeToParent.from.reset();
        }
    };

    Plan(ReadFolder read, EventPump& pump, std::shared_ptr<const WalkLimits> walkLimits,
        std::shared_ptr<MountWatch> mountWatch)
        : readFolder(std::move(read))
        , walkPump(pump)
        , limits(std::move(walkLimits))
        , mounts(std::move(mountWatch))
        , descriptors(folderDescriptorsToHold())
    {
    }

    // A folder whose parent must be opened again waits until every folder
    // before it was taken and no reader climbs: one below its parent may
    // bring the parent up, which a path from above could no longer lead to.
    bool readable(const Folder& folder, bool allBeforeTaken) const
    {
        const OpenedFolder* parent = folder.parent.get();
        const bool reopens = parent != nullptr && !parent->descriptor && parent->reopenable();
        return folder.state == Folder::State::Waiting && !folder.readElsewhere
            && !(reopens && (climbs > 0 || !allBeforeTaken));
    }

    // What tells a folder being read from every other, for every reader of
    // every walk: the identity of its parent and its name, where known, as
    // it stays the same whatever path leads there.
    static QByteArray claimOf(const Folder& folder)
    {
        if (!folder.parent)
            return folder.name;
        if (!folder.parent->reopenable())
            return pathOf(folder.parent.get(), folder.name);
        const FolderIdentity& parent = folder.parent->identity;
        return '\0' + QByteArray::number(static_cast<qulonglong>(parent.device)) + ':'
            + QByteArray::number(static_cast<qulonglong>(parent.inode)) + '/' + folder.name;
    }

    Position nextToRead()
    {
        if (!folders.empty() && readable(folders.front(), true))
            return folders.begin();
        if (bytesRead >= bytesAhead)
            return folders.end();
        bool allBeforeTaken = folders.empty() || folders.front().state != Folder::State::Waiting;
        std::size_t ahead = 1;
        for (auto folder = std::next(folders.begin()); folder != folders.end() && ahead < foldersAhead;
             ++folder, ++ahead) {
            if (readable(*folder, allBeforeTaken))
                return folder;
            allBeforeTaken = allBeforeTaken && folder->state != Folder::State::Waiting;
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
        Job job{folder->name, folder->parent, {}, {}, topDevice, !descriptorsShort};
        readingFreely += job.freely ? 1 : 0;
        if (job.parent) {
            // One that waits its turn holds nothing until then.
            if (job.freely)
                job.parentDescriptor = descriptors.descriptorOf(*job.parent, job.routeToParent);
            job.climbTo = descriptors.subFolderTaken(*job.parent);
            climbs += job.climbTo != nullptr ? 1 : 0;
        }
        return job;
    }

    // Outside the mutex. Running out of descriptors is never a folder's
    // failure while others can come back: from then on readers take turns,
    // each holding nothing while it waits and keeping its turn until it has
    // let go of what it opened, and one that still runs short lets every
    // held descriptor go (the top's too once nobody else reads) and tries
    // again until no reader is left that began before the turns. A read
    // in turn that does not run short ends the turns.
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
            // A climb would take one more: short of them, the folder above
            // is reopened from above when it is needed.
            if (job.climbTo)
                climbed(job, nullptr);
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
        if (job.climbTo)
            climbed(job, nullptr);
        if (turn.owns_lock() && !outOfDescriptors(reading))
            descriptorsAreBack();
        return reading;
    }

    // Under the turn, which is the only one to end them.
    void descriptorsAreBack()
    {
        const std::lock_guard lock(mutex);
        descriptorsShort = false;
    }

    // Outside the mutex: once the job's parent is open, climbs from it to
    // the folder above that waits for it.
    void climbFromParent(Job& job)
    {
        if (job.climbTo && job.parentDescriptor)
            climbed(job, climb(*job.parent, job.parentDescriptor, *job.climbTo));
    }

    void climbed(Job& job, std::shared_ptr<const FileDescriptor> descriptor)
    {
        {
            const std::lock_guard lock(mutex);
            if (descriptor && !cancelled)
                descriptors.reopened(job.climbTo->shared_from_this(), std::move(descriptor));
            job.climbTo = nullptr;
            --climbs;
        }
        workChanged.notify_all();
    }

    FolderReading readOnce(Job& job, std::shared_ptr<const FileDescriptor>& reopenedParent, bool& waited)
    {
        FolderReading reading;
        try {
            if (job.parent && !job.parentDescriptor && job.parent->reopenable())
                reopenedParent = job.parentDescriptor = openRoute(job.routeToParent);
            climbFromParent(job);
            const auto began = std::chrono::steady_clock::now();
            reading = readFolder({job.name, job.parentDescriptor, job.parent});
            waited = waited || waitedOnTheDevice(std::chrono::steady_clock::now() - began, reading);
        } catch (...) {
            reading = FolderReading{};
            reading.factsFailure = currentFailure();
        }
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
        othersReading = readingFreely > 0;
        if (letGo) {
            descriptorsShort = true;
            descriptors.letAllGo(!othersReading);
        }
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
            const dev_t top = job.topDevice.value_or(reading.facts.identity.device);
            const QByteArray path = limits->excludedPaths.empty() ? QByteArray()
                : job.parent                                      ? pathOf(job.parent.get(), job.name)
                                                                  : reading.facts.path;
            if (job.parent)
                passOverAnotherFileSystem(reading, *limits, top);
            static const MountDevices noMounts;
            const std::shared_ptr<const MountDevices> devices = mounts ? mounts->devices() : nullptr;
            leaveOutSubFolders(reading, path, *limits, top, devices ? *devices : noMounts);
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
                if (count > 0) {
                    // A copy of the top's path: the walk's thread lets its own go in
                    // Qt code that the thread checker cannot see into.
                    const QByteArray& top = reading.facts.path;
                    QByteArray name = job.parent ? job.name : QByteArray(top.constData(), top.size());
                    const qsizetype folderPart = job.parent ? job.parent->folderPartLength + job.name.size() + 1
                                                            : joinPath(reading.facts.path, {}).size();
                    opened = descriptors.keep(job.parent, std::move(name), std::move(reading.opened), count,
                        reading.facts.identity, folderPart);
                }
                for (const FolderItem& subFolder : reading.listing->subFolders())
                    planned.push_back({subFolder.name().toByteArray(), opened, {}, {}, {}});
            } catch (...) {
                planned.clear();
                reading.listing.reset();
                reading.listingFailure = currentFailure();
            }
        }
        reading.opened.reset();
        return planned;
    }

    // Called by ReadsInFlight when the reader in the folder claimed as
    // `claim` leaves it.
    void readElsewhereEnded(const QByteArray& claim)
    {
        {
            const std::lock_guard lock(mutex);
            const auto folder = readElsewhere.find(claim);
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
    const std::shared_ptr<MountWatch> mounts;
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
    int climbs = 0; // readers climbing to a folder above
    int readsDone = 0;
    // Reads that waited on the device: when many do, more readers help.
    int readsThatWaited = 0;
    std::atomic<bool> frontRead = false;
};

FolderReadAhead::FolderReadAhead(ReadFolder readFolder, EventPump& walkPump, WalkLimits limits)
    : readFolder_(std::move(readFolder))
    , walkPump_(walkPump)
    , limits_(std::make_shared<const WalkLimits>(std::move(limits)))
    , mounts_(limits_->oneFileSystem ? std::make_shared<MountWatch>() : nullptr)
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
            failed.factsFailure = currentFailure();
            plan_->markRead(plan_->folders.begin(), std::move(failed));
        }
    }
}

bool FolderReadAhead::names(const QByteArray& path, const QByteArray& name, const OpenedFolder* parent) const
{
    if (parent == nullptr)
        return path == name;
    // The parent was served before, and everything since lies below it.
    const qsizetype folderPart = parent->folderPartLength;
    const QByteArrayView asked(path);
    return asked.size() == folderPart + name.size() && servedPart_.size() >= folderPart
        && asked.first(folderPart) == QByteArrayView(servedPart_).first(folderPart) && asked.sliced(folderPart) == name;
}

bool FolderReadAhead::holdsNext(const QByteArray& path) const
{
    return !taken_.empty() && names(path, taken_.front().name, taken_.front().parent.get());
}

FolderReading FolderReadAhead::take()
{
    Served served = std::move(taken_.front());
    taken_.pop_front();
    if (!served.parent) {
        const QByteArray& top = served.reading.facts.path;
        servedPart_ = top.isEmpty() ? top : joinPath(top, {});
    } else {
        servedPart_.truncate(served.parent->folderPartLength);
        servedPart_.append(served.name).append('/');
    }
    return std::move(served.reading);
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
            Plan::Folder& front = plan_->folders.front();
            plan_->bytesRead -= bytesOf(front.reading);
            taken_.push_back({std::move(front.name), std::move(front.parent), std::move(front.reading)});
            plan_->folders.pop_front();
        }
        plan_->frontRead.store(false, std::memory_order_relaxed);
        if (taken_.empty()) {
            if (plan_->folders.empty()
                || !names(path, plan_->folders.front().name, plan_->folders.front().parent.get())) {
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
        Plan::Position folder;
        plan.workChanged.wait(lock, [&] {
            return plan.cancelled || plan.unread == 0 || (folder = plan.nextToRead()) != plan.folders.end();
        });
        --plan.readersIdle;
        if (plan.cancelled || plan.unread == 0)
            break;
        QByteArray claim = Plan::claimOf(*folder);
        const bool claimed = ReadsInFlight::ofProcess().claim(claim,
            [plan = std::weak_ptr<Plan>(shared), claim] {
                if (const std::shared_ptr<Plan> waiting = plan.lock())
                    waiting->readElsewhereEnded(claim);
            });
        if (!claimed) {
            // Read again once that read ends; the walk waits as for any folder.
            folder->readElsewhere = true;
            plan.readElsewhere.emplace(std::move(claim), folder);
            continue;
        }
        Plan::Job job = plan.takeJob(folder);
        lock.unlock();

        std::unique_lock turn(plan.takingTurns, std::defer_lock);
        std::shared_ptr<const FileDescriptor> reopenedParent;
        bool waited = false;
        FolderReading reading = plan.read(job, reopenedParent, waited, turn);
        ReadsInFlight::ofProcess().release(claim);
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
            plan.topDevice = reading.facts.identity.device;
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
