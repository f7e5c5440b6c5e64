#include "os/file_descriptor.h"
#include "os/workbook_cache.h"
#include "support/file_contents.h"
#include "support/hang_guard.h"
#include "support/qt_printers.h"
#include "support/temp_tree.h"

#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <vector>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

const QDateTime made(QDate(2026, 12, 8), QTime(14, 3, 12));

// Stores a finished workbook named after `made` and `number`.
QString store(const TempTree& folder, int number)
{
    const QString path = QFile::decodeName(folder.path()) + u"/Results 2026-12-08 14.03.12 (%1).xlsx"_s.arg(number);
    QFile(path + u".partial"_s).open(QIODevice::WriteOnly);
    WorkbookCache(QFile::decodeName(folder.path())).store(path + u".partial"_s, path, made);
    return path;
}

// What lies at `path`, as far as a test tells things apart.
QByteArray describe(const QByteArray& path)
{
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0)
        return "nothing";
    char target[256] = {};
    if (S_ISLNK(status.st_mode) && ::readlink(path.constData(), target, sizeof target - 1) > 0)
        return QByteArray("link to ") + target;
    return S_ISREG(status.st_mode) ? "file " + contentOf(path) : "mode " + QByteArray::number(status.st_mode, 8);
}

// The record is the program's own: whatever else lies in its place is left
// as it is, and a workbook is stored, and pruned, as if there were no record.
// One another program holds too long is not waited for.
TEST(WorkbookCache, WhatLiesInTheRecordsPlaceIsLeftAloneAndTheWorkbookStoredAnyway)
{
    const HangGuard guard(60);
    const QByteArray record = ".ferrowax-workbooks";
    FileDescriptor held(-1);
    const std::vector<std::function<void(TempTree&)>> cases{
        [&](TempTree& tree) { tree.symlink("notes.txt", record); },
        [&](TempTree& tree) { tree.folder(record); },
        [&](TempTree& tree) { ::mkfifo(tree.path(record).constData(), 0600); }, // nobody reads it
        [&](TempTree& tree) {
            tree.file(record, "1 2 3 Results 2026-12-01 10.00.00.xlsx\n");
            held = FileDescriptor(::open(tree.path(record).constData(), O_RDONLY | O_CLOEXEC));
            ::flock(held.get(), LOCK_EX);
        },
    };
    for (const auto& make : cases) {
        TempTree tree;
        tree.file("notes.txt", "my notes");
        make(tree);
        const QByteArray before = describe(tree.path(record));
        SCOPED_TRACE(before.constData());
        const QString workbook = store(tree, 1);
        EXPECT_TRUE(QFile::exists(workbook));
        EXPECT_FALSE(QFile::exists(workbook + u".partial"_s));
        WorkbookCache(QFile::decodeName(tree.path())).removeOld(made.addDays(8));
        EXPECT_FALSE(QFile::exists(workbook)) << "the mark in its time still lets it go";
        EXPECT_EQ(describe(tree.path(record)), before);
        EXPECT_EQ(contentOf(tree.path("notes.txt")), "my notes");
    }
}

// Two programs storing at once (two threads with a record each stand in):
// every workbook is noted.
TEST(WorkbookCache, TwoProgramsStoringAtOnceKeepEachOthersLines)
{
    TempTree tree;
    constexpr int each = 100;
    std::vector<std::thread> programs;
    for (int program = 0; program < 2; ++program) {
        programs.emplace_back([&tree, program] {
            for (int number = 1; number <= each; ++number)
                store(tree, program * each + number);
        });
    }
    for (std::thread& program : programs)
        program.join();
    EXPECT_EQ(contentOf(tree.path(".ferrowax-workbooks")).count('\n'), 2 * each);
}

} // namespace
