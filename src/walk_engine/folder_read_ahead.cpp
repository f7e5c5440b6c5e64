#include "folder_read_ahead.h"

#include <algorithm>

namespace ferrowax {

namespace {

// Far enough ahead to keep the walk fed, near enough that a stopped walk
// leaves little behind.
constexpr std::size_t foldersAhead = 256;
constexpr qsizetype bytesAhead = 8 * 1024 * 1024;
constexpr int spinsBeforeSleeping = 200;

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

int readerCount()
{
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1U, 2U));
}

} // namespace

FolderReadAhead::FolderReadAhead(EntryTypes entryTypes)
    : entryTypes_(entryTypes)
{
}

FolderReadAhead::~FolderReadAhead()
{
    stop();
}

void FolderReadAhead::stop()
{
    taken_.clear();
    if (!plan_)
        return;
    {
        const std::lock_guard lock(plan_->mutex);
        plan_->cancelled = true;
    }
    plan_->workChanged.notify_all();
    for (std::thread& reader : readers_)
        reader.join();
    readers_.clear();
    plan_.reset();
    taken_.clear();
}

void FolderReadAhead::start(const QByteArray& root)
{
    stop();
    plan_ = std::make_unique<Plan>();
    plan_->folders.push_back({root, Folder::State::Waiting, {}});
    for (int i = 0; i < readerCount(); ++i)
        readers_.emplace_back([plan = plan_.get(), entryTypes = entryTypes_] { read(*plan, entryTypes); });
}

void FolderReadAhead::updateFront(Plan& plan)
{
    const bool nothingMore = plan.folders.empty() && plan.readersAtWork == 0;
    const bool ready = nothingMore || (!plan.folders.empty() && plan.folders.front().state == Folder::State::Read);
    plan.frontReady.store(ready, std::memory_order_release);
    if (ready && plan.waiting > 0)
        plan.frontChanged.notify_all();
}

std::optional<FolderReading> FolderReadAhead::take(const QByteArray& path)
{
    if (taken_.empty() && plan_)
        takeReadFront();
    if (taken_.empty() || taken_.front().path != path) {
        stop();
        return std::nullopt;
    }
    FolderReading reading = std::move(taken_.front());
    taken_.pop_front();
    return reading;
}

void FolderReadAhead::takeReadFront()
{
    // The next folder is often a few microseconds away: a short spin saves
    // putting the thread to sleep and waking it, while a long one would take
    // a core from the readers.
    for (int spin = 0; spin < spinsBeforeSleeping && !plan_->frontReady.load(std::memory_order_acquire); ++spin)
        pauseBriefly();
    std::unique_lock lock(plan_->mutex);
    ++plan_->waiting;
    plan_->frontChanged.wait(lock, [&] { return plan_->frontReady.load(std::memory_order_acquire); });
    --plan_->waiting;
    // Everything read at the front at once: one lock for many folders.
    while (!plan_->folders.empty() && plan_->folders.front().state == Folder::State::Read) {
        plan_->bytesRead -= bytesOf(plan_->folders.front().reading);
        taken_.push_back(std::move(plan_->folders.front().reading));
        plan_->folders.pop_front();
    }
    updateFront(*plan_);
    const bool readersIdle = plan_->readersIdle > 0;
    lock.unlock();
    if (readersIdle)
        plan_->workChanged.notify_all();
}

std::list<FolderReadAhead::Folder>::iterator FolderReadAhead::nextToRead(Plan& plan)
{
    if (plan.bytesRead >= bytesAhead)
        return plan.folders.end();
    std::size_t ahead = 0;
    for (auto folder = plan.folders.begin(); folder != plan.folders.end() && ahead < foldersAhead; ++folder, ++ahead) {
        if (folder->state == Folder::State::Waiting)
            return folder;
    }
    return plan.folders.end();
}

void FolderReadAhead::read(Plan& plan, EntryTypes entryTypes)
{
    std::unique_lock lock(plan.mutex);
    for (;;) {
        ++plan.readersIdle;
        plan.workChanged.wait(lock, [&] {
            return plan.cancelled || nextToRead(plan) != plan.folders.end()
                || (plan.readersAtWork == 0 && std::none_of(plan.folders.begin(), plan.folders.end(),
                        [](const Folder& folder) { return folder.state != Folder::State::Read; }));
        });
        --plan.readersIdle;
        const auto folder = nextToRead(plan);
        if (plan.cancelled || folder == plan.folders.end())
            return; // cancelled, or every folder of the tree is read
        folder->state = Folder::State::Reading;
        ++plan.readersAtWork;
        lock.unlock();
        FolderReading reading = readFolder(folder->path, entryTypes);
        lock.lock();
        --plan.readersAtWork;
        if (plan.cancelled)
            return;
        const auto behind = std::next(folder);
        if (reading.listing) {
            for (const FolderItem& subFolder : reading.listing->subFolders())
                plan.folders.insert(behind, {subFolder.path(), Folder::State::Waiting, {}});
        }
        plan.bytesRead += bytesOf(reading);
        folder->reading = std::move(reading);
        folder->state = Folder::State::Read;
        updateFront(plan);
        if (plan.readersIdle > 0)
            plan.workChanged.notify_all();
    }
}

} // namespace ferrowax
