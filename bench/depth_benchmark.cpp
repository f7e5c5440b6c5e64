// Memory and time of `ferrowax --list` over chains of folders, each inside
// the one before, beside find(1) on the same chain: the walk's memory must
// grow with the depth, not with its square, and its time stay within twice
// find's. Prints one row per chain: medians of the rounds, wall and CPU
// seconds, and the peak resident memory of each program.
//
//   depth_benchmark [--root DIR] [--rounds N] [--depths 10000,25000] [--name-length N] [--remove-trees]
//
// The chains are built on first use and kept for later runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Options {
    std::string root = "/tmp/ferrowax-bench";
    int rounds = 3;
    std::vector<int> depths{10'000, 25'000};
    int nameLength = 1;
    bool removeTrees = false;
};

Options parse(int argc, char* argv[])
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool valued = i + 1 < argc;
        if (argument == "--root" && valued) {
            options.root = argv[++i];
        } else if (argument == "--rounds" && valued) {
            options.rounds = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--name-length" && valued) {
            options.nameLength = std::clamp(std::atoi(argv[++i]), 1, 255);
        } else if (argument == "--depths" && valued) {
            options.depths.clear();
            for (char* depth = std::strtok(argv[++i], ","); depth != nullptr; depth = std::strtok(nullptr, ","))
                options.depths.push_back(std::max(1, std::atoi(depth)));
        } else if (argument == "--remove-trees") {
            options.removeTrees = true;
        }
    }
    return options;
}

// A chain is made and removed one level at a time, from descriptors: its
// paths are far longer than the system takes.
void build(const std::string& top, int depth, const std::string& name)
{
    const std::string marker = top + ".complete";
    if (::access(marker.c_str(), F_OK) == 0)
        return;
    std::printf("building a chain of %d folders under %s ...\n", depth, top.c_str());
    std::fflush(stdout);
    ::mkdir(top.c_str(), 0755);
    int folder = ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < depth && folder >= 0; ++level) {
        ::mkdirat(folder, name.c_str(), 0755);
        const int below = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(folder);
        folder = below;
    }
    if (folder >= 0) {
        ::close(::openat(folder, "bottom.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
        ::close(folder);
    }
    ::close(::open(marker.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
}

void remove(const std::string& top, const std::string& name)
{
    int folder = ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int depth = 0;
    for (int below; folder >= 0 && (below = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) >= 0;
         ++depth) {
        ::close(folder);
        folder = below;
    }
    if (folder < 0)
        return;
    ::unlinkat(folder, "bottom.txt", 0);
    for (; depth > 0; --depth) {
        const int above = ::openat(folder, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(folder);
        ::unlinkat(above, name.c_str(), AT_REMOVEDIR);
        folder = above;
    }
    ::close(folder);
    ::rmdir(top.c_str());
    ::unlink((top + ".complete").c_str());
}

struct Run {
    double wall = 0;
    double cpu = 0;
    double peakMiB = 0;
};

// One run of `arguments`, its output thrown away.
Run run(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const auto began = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const int nowhere = ::open("/dev/null", O_WRONLY);
        ::dup2(nowhere, 1);
        ::dup2(nowhere, 2);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage {};
    ::wait4(child, &status, 0, &usage);
    const auto seconds = [](timeval t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count(),
        seconds(usage.ru_utime) + seconds(usage.ru_stime), static_cast<double>(usage.ru_maxrss) / 1024.0};
}

Run medianOf(const std::vector<std::string>& arguments, int rounds)
{
    std::vector<Run> runs;
    for (int round = 0; round < rounds; ++round)
        runs.push_back(run(arguments));
    const auto median = [&](double Run::*field) {
        std::vector<double> values;
        for (const Run& one : runs)
            values.push_back(one.*field);
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    return {median(&Run::wall), median(&Run::cpu), median(&Run::peakMiB)};
}

} // namespace

int main(int argc, char* argv[])
{
    const Options options = parse(argc, argv);
    const std::string name(static_cast<std::size_t>(options.nameLength), 'd');
    ::mkdir(options.root.c_str(), 0755);
    std::printf("median of %d rounds; wall and CPU seconds, peak resident MiB; names of %d bytes\n", options.rounds,
        options.nameLength);
    std::printf("%-8s %-28s %-28s %-s\n", "levels", "find (wall, CPU, MiB)", "ferrowax --list", "ratios (wall, CPU)");
    for (const int depth : options.depths) {
        const std::string top = options.root + "/chain-" + std::to_string(depth) + "-" + std::to_string(options.nameLength);
        build(top, depth, name);
        const Run find = medianOf({"find", top, "-name", "*.txt"}, options.rounds);
        const Run ours = medianOf({FERROWAX_PROGRAM, "--list", "--folder", top, "--ext", "txt"}, options.rounds);
        std::printf("%-8d %6.2f s %6.2f s %7.1f MiB  %6.2f s %6.2f s %7.1f MiB  %.2f %.2f\n", depth, find.wall, find.cpu,
            find.peakMiB, ours.wall, ours.cpu, ours.peakMiB, ours.wall / find.wall, ours.cpu / find.cpu);
        std::fflush(stdout);
        if (options.removeTrees)
            remove(top, name);
    }
    return 0;
}
