#include "os/workbook_folder.h"
#include "support/temp_tree.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

// Two programs naming a workbook in the same second, before either has
// written it, get two names: the first is taken as it is given.
TEST(WorkbookFolder, WorkbooksNamedInOneSecondGetANumberEach)
{
    TempTree tree;
    const QString folder = QFile::decodeName(tree.path("cache"));
    const QDateTime made(QDate(2026, 12, 9), QTime(18, 53, 5));
    const QString first = newWorkbookPath(folder, made);
    EXPECT_EQ(first, folder + u"/Results 2026-12-09 18.53.05.xlsx"_s);
    EXPECT_EQ(newWorkbookPath(folder, made), folder + u"/Results 2026-12-09 18.53.05 (2).xlsx"_s);
    QFile::rename(first + u".partial"_s, first);
    EXPECT_EQ(newWorkbookPath(folder, made), folder + u"/Results 2026-12-09 18.53.05 (3).xlsx"_s);
}

} // namespace
