// The floor for a walk: what the kernel's directory calls cost with as
// little of a program's own around them as can be. Two threads take folders
// from one queue in no order, list each with getdents64 and print the files
// whose names end in SUFFIX, in 64 KiB writes. It keeps no order, applies
// no rule and reports nothing.
//
//   bare_walker ROOT SUFFIX
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr std::size_t outputBlock = 64 * 1024;

struct Walk {
    std::mutex mutex;
    std::condition_variable more;
    std::vector<std::string> folders;
    int busy = 0;
    std::mutex output;
    const char* suffix = "";
    std::size_t suffixLength = 0;

    void print(std::string& pending)
    {
        const std::lock_guard lock(output);
        for (std::size_t at = 0; at < pending.size();) {
            const ssize_t put = ::write(1, pending.data() + at, pending.size() - at);
            if (put <= 0)
                break;
            at += static_cast<std::size_t>(put);
        }
        pending.clear();
    }

    void list(const std::string& folder, std::vector<std::string>& found, std::string& pending) const
    {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return;
        alignas(dirent64) char buffer[64 * 1024];
        for (;;) {
            const long got = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
            if (got <= 0)
                break;
            for (long at = 0; at < got;) {
                const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
                at += entry->d_reclen;
                const char* name = entry->d_name;
                if (entry->d_type == DT_DIR) {
                    if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
                        found.push_back(folder + '/' + name);
                } else if (entry->d_type == DT_REG) {
                    const std::size_t length = std::strlen(name);
                    if (length >= suffixLength && std::memcmp(name + length - suffixLength, suffix, suffixLength) == 0)
                        pending.append(folder).append(1, '/').append(name, length).append(1, '\n');
                }
            }
        }
        ::close(fd);
    }

    void serve()
    {
        std::string pending;
        std::vector<std::string> found;
        std::unique_lock lock(mutex);
        for (;;) {
            more.wait(lock, [&] { return !folders.empty() || busy == 0; });
            if (folders.empty())
                break;
            const std::string folder = std::move(folders.back());
            folders.pop_back();
            ++busy;
            lock.unlock();
            list(folder, found, pending);
            if (pending.size() >= outputBlock)
                print(pending);
            lock.lock();
            --busy;
            for (std::string& subFolder : found)
                folders.push_back(std::move(subFolder));
            found.clear();
            more.notify_all();
        }
        lock.unlock();
        print(pending);
    }
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3)
        return 2;
    Walk walk;
    walk.suffix = argv[2];
    walk.suffixLength = std::strlen(argv[2]);
    walk.folders.emplace_back(argv[1]);
    std::thread other([&] { walk.serve(); });
    walk.serve();
    other.join();
    return 0;
}
