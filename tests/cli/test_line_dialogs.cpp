#include "cli/line_dialogs.h"
#include "command_kit/error_report.h"
#include "platform/failure.h"

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using ferrowax::Failure;

namespace {

// A report that only follows an earlier failure adds no line, yet counts: a
// walk that met one never ends as if all went well.
TEST(LineDialogs, AReportThatFollowsAnotherAddsNoLineButCounts)
{
    char* written = nullptr;
    std::size_t size = 0;
    std::FILE* lines = ::open_memstream(&written, &size);
    ferrowax::LineDialogs dialogs(lines);
    ferrowax::ErrorReport report(dialogs);
    report.show(u"in A.b "_s, 100, Failure::objectNotSet());
    report.show(u"in A.b "_s, 102, Failure(u"Out of paper"_s));
    std::fclose(lines);
    EXPECT_EQ(dialogs.boxesShown(), 2);
    EXPECT_STREQ(written, "ferrowax: Out of paper (in A.b at line 102)\n");
    std::free(written);
}

} // namespace
