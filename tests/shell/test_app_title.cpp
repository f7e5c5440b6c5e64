#include "shell/app_title.h"
#include "shell/home_page.h"
#include "support/fake_services.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

TEST(AppTitle, TitleWithoutBlankStaysWhole)
{
    EXPECT_EQ(appTitleFrom(u"Ferrowax"_s), u"Ferrowax"_s);
    EXPECT_EQ(appTitleFrom(u"An-Unbroken-Title-That-Is-Longer-Than-Forty-Chars"_s),
        u"An-Unbroken-Title-That-Is-Longer-Than-Forty-Chars"_s);
}

TEST(AppTitle, ShortTitleWithBlankStillLosesItsLastWord)
{
    EXPECT_EQ(appTitleFrom(u"Ferrowax File Finder"_s), u"Ferrowax File"_s);
    EXPECT_EQ(appTitleFrom(u"Ferrowax "_s), u"Ferrowax"_s);
}

TEST(AppTitle, LongTitleLosesWordsUntilFortyCharactersRemain)
{
    // 50 characters; cutting the last word leaves 45, so one more goes.
    const QString title = u"Alpha Beta Gamma Delta Epsilon Zeta Eta Theta Iota"_s;
    ASSERT_EQ(title.size(), 50);
    const QString cut = appTitleFrom(title);
    EXPECT_EQ(cut, u"Alpha Beta Gamma Delta Epsilon Zeta Eta"_s);
    EXPECT_LE(cut.size(), 40);
}

TEST(HomePage, OpensOnlyWhenTheDrawIsSeven)
{
    RecordingLauncher desktop;
    ScriptedRandom random;
    for (const double r : {0.0, 0.059, 0.07, 0.5, 0.999}) {
        random.value = r;
        OpenHomePageAtRandom(random, desktop);
    }
    EXPECT_TRUE(desktop.opened.empty());

    random.value = 0.06; // n = 7
    OpenHomePageAtRandom(random, desktop);
    ASSERT_EQ(desktop.opened.size(), 1U);
    EXPECT_EQ(desktop.opened.front().host(), u"www.kestrune.example"_s);
    EXPECT_EQ(random.seeds, 6);
}

// Through the command with the clock set: a start within the same second
// always draws the same, and over a day of start times about one in a
// hundred opens the page.
TEST(HomePage, DrawIsSeededWithTheSecondsSinceMidnight)
{
    QTime now;
    const auto opensAt = [&](QTime time) {
        now = time;
        RecordingLauncher desktop;
        ClockSeededRandom random([&] { return now; });
        OpenHomePageAtRandom(random, desktop);
        return !desktop.opened.empty();
    };
    int opened = 0;
    for (int second = 0; second < 24 * 3600; ++second) {
        const QTime start = QTime(0, 0).addSecs(second);
        if (!opensAt(start))
            continue;
        ++opened;
        EXPECT_TRUE(opensAt(start.addMSecs(999))) << second;
    }
    EXPECT_GT(opened, 24 * 36 / 2);
    EXPECT_LT(opened, 24 * 36 * 3 / 2);
}

} // namespace
