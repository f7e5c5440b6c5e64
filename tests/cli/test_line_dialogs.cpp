#include "cli/line_dialogs.h"
#include "command_kit/error_report.h"
#include "platform/failure.h"

#include <cstdio>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A report that only follows an earlier failure adds no line, yet counts: a
// walk that met one never ends as if all went well.
TEST(LineDialogs, AReportThatFollowsAnotherAddsNoLineButCounts)
{
    std::FILE* lines = std::tmpfile();
    ASSERT_NE(lines, nullptr);
    ferrowax::LineDialogs dialogs(lines);
    ferrowax::ErrorReport report(dialogs);
    report.show(u"in A.b "_s, 100, ferrowax::Failure::objectNotSet());
    EXPECT_EQ(dialogs.boxesShown(), 1);
    report.show(u"in A.b "_s, 102, ferrowax::Failure(u"Out of paper"_s));
    EXPECT_EQ(dialogs.boxesShown(), 2);
    std::rewind(lines);
    char written[100] = {};
    ASSERT_GT(std::fread(written, 1, sizeof written - 1, lines), 0U);
    EXPECT_STREQ(written, "ferrowax: Out of paper (in A.b at line 102)\n");
    std::fclose(lines);
}

} // namespace
