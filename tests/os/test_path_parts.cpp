#include "os/path_parts.h"

#include <gtest/gtest.h>

using namespace ferrowax;

namespace {

// A save directly under the root, a bare name from the current folder, a
// folder named with its separator: each is split where a save looks for
// the folder to write into and the name to give.
TEST(PathParts, SplitAtTheLastSeparator)
{
    struct Row {
        QByteArray path;
        QByteArray folder;
        QByteArray name;
    };
    const Row rows[] = {
        {"/x", "/", "x"},
        {"/", "/", ""},
        {"/home/ada/results.txt", "/home/ada", "results.txt"},
        {"results.txt", ".", "results.txt"},
        {"saves/results.txt", "saves", "results.txt"},
        {"/home/ada/", "/home/ada", ""},
        {"/caf\xe9/\xff.txt", "/caf\xe9", "\xff.txt"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(folderOf(row.path), row.folder) << row.path.constData();
        EXPECT_EQ(nameOf(row.path), row.name) << row.path.constData();
    }
}

} // namespace
