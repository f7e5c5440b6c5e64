#include "platform/file_descriptor.h"
#include "platform/workbook_cache.h"
#include "support/hang_guard.h"
#include "support/qt_printers.h"
#include "support/temp_tree.h"

#include <QFile>

#include <gtest/gtest.h>

#include <functional>
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

QByteArray contentOf(const QByteArray& path)
{
    QFile file(QString::fromUtf8(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The record is the program's own: whatever else lies in its place is left
// as it is, and a workbook is stored, and pruned, as if there were no record.
// One another program holds too long is not waited for.
TEST(WorkbookCache, WhatLiesInTheRecordsPlaceIsLeftAloneAndTheWorkbookStoredAnyway)
{
    const HangGuard guard(60);
    struct Case {
        const char* what;
        std::function<void(TempTree&)> make;
        std::function<bool(const TempTree&)> untouched;
    };
    const QByteArray record = ".ferrowax-workbooks";
    const QByteArray heldLine = "1 2 3 Results 2026-12-01 10.00.00.xlsx\n";
    FileDescriptor held(-1);
    const std::vector<Case> cases{
        {"a link to the user's notes",
            [&](TempTree& tree) {
                tree.file("notes.txt", "my notes");
                tree.symlink("notes.txt", record);
            },
            [&](const TempTree& tree) {
                struct stat status {};
                return contentOf(tree.path("notes.txt")) == "my notes"
                    && ::lstat(tree.path(record).constData(), &status) == 0 && S_ISLNK(status.st_mode);
            }},
        {"a folder", [&](TempTree& tree) { tree.file(record + "/inside", "kept"); },
            [&](const TempTree& tree) { return contentOf(tree.path(record + "/inside")) == "kept"; }},
        {"a pipe nobody reads", [&](TempTree& tree) { ::mkfifo(tree.path(record).constData(), 0600); },
            [&](const TempTree& tree) {
                struct stat status {};
                return ::lstat(tree.path(record).constData(), &status) == 0 && S_ISFIFO(status.st_mode);
            }},
        {"a record another program holds",
            [&](TempTree& tree) {
                tree.file(record, heldLine);
                held = FileDescriptor(::open(tree.path(record).constData(), O_RDONLY | O_CLOEXEC));
                ::flock(held.get(), LOCK_EX);
            },
            [&](const TempTree& tree) { return contentOf(tree.path(record)) == heldLine; }},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        TempTree tree;
        row.make(tree);
        const QString workbook = store(tree, 1);
        EXPECT_TRUE(QFile::exists(workbook));
        EXPECT_FALSE(QFile::exists(workbook + u".partial"_s));
        WorkbookCache(QFile::decodeName(tree.path())).removeOld(made.addDays(8));
        EXPECT_FALSE(QFile::exists(workbook)) << "the mark in its time still lets it go";
        EXPECT_TRUE(row.untouched(tree));
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
