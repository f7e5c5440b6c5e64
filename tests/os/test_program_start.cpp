#include "os/failure.h"
#include "os/io_service.h"
#include "os/program_start.h"
#include "os/time_sliced_event_pump.h"
#include "support/hang_guard.h"
#include "support/orphan_reaper.h"
#include "support/qt_printers.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

// Each start is watched while the next ones go on: programs that end only
// once all have started end well, though each would be watched a minute;
// one that fails meanwhile is reported; one still running at the end of its
// watch has started well.
TEST(StartEachWatched, StartsEachWithoutWaitingOnTheOneBeforeAndReportsAFailureMeanwhile)
{
    const HangGuard guard(30);
    QTemporaryDir folder;
    const QString program = folder.filePath(u"opener"_s);
    QFile script(program);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$0.record\"\n[ \"$1\" = fails ] && exit 3\n"
                 "while [ \"$1\" = lingers ] && [ ! -e \"$0.record.released\" ]; do /bin/sleep 0.01; done\n"
                 "[ \"$1\" = waits ] || exit 0\nwhile [ \"$(/usr/bin/wc -l < \"$0.record\")\" -lt 3 ]; do /bin/sleep 0.01; done\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    struct Case {
        std::vector<QStringList> launches;
        int watchMilliseconds;
        QString failure;
    };
    const std::vector<Case> cases{
        {{{u"waits"_s}, {u"waits"_s}, {u"waits"_s}}, 60000, {}},
        {{{u"1"_s}, {u"fails"_s}, {u"waits"_s}, {u"waits"_s}}, 60000, program + u" ended with exit status 3"_s},
        {{{u"lingers"_s}, {u"1"_s}}, 100, {}},
    };
    const OrphanReaper reaper;
    TimeSlicedEventPump pump;
    IoService io(pump);
    for (const Case& row : cases) {
        QString failure;
        try {
            startEachWatched(io, program, row.launches, QProcessEnvironment(), row.watchMilliseconds);
        } catch (const Failure& failed) {
            failure = failed.description();
        }
        EXPECT_EQ(failure, row.failure);
        QFile(program + u".record.released"_s).open(QIODevice::WriteOnly);
        reaper.waitForAll();
        QFile::remove(program + u".record"_s);
        QFile::remove(program + u".record.released"_s);
    }
}

} // namespace
