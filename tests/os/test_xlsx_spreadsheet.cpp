#include "command_kit/window_state.h"
#include "os/failure.h"
#include "os/xlsx_spreadsheet.h"
#include "results/spreadsheet_export.h"
#include "support/qt_printers.h"
#include "support/recording_file_system.h"
#include "support/scripted_services.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

// What the workbooks are written through where no window waits.
IoService& io()
{
    static HookedEventPump pump;
    static IoService service(pump);
    return service;
}

// A folder of stand-in programs: each writes its arguments to a file named
// after itself and copies the workbook it is given into `received`.
struct FakePrograms {
    QTemporaryDir dir;

    FakePrograms() { QDir(dir.path()).mkpath(u"received"_s); }

    QString path(const QString& name) const { return dir.filePath(name); }

    void add(const QString& name, const QByteArray& extraLine = {})
    {
        QFile script(path(name));
        EXPECT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n" + extraLine + "\nprintf '%s\\n' \"$@\" > '" + QFile::encodeName(path(name))
            + ".args'\nfor last; do :; done\n/bin/cp \"$last\" '" + QFile::encodeName(path(u"received"_s)) + "/'\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // The workbooks received so far, waiting up to a minute for `count`.
    QStringList received(int count) const
    {
        QElapsedTimer waited;
        waited.start();
        QStringList files;
        do {
            files = QDir(path(u"received"_s)).entryList({u"*.xlsx"_s}, QDir::Files, QDir::Name);
            if (files.size() >= count)
                break;
            QThread::msleep(50);
        } while (waited.elapsed() < 60000);
        for (QString& file : files)
            file = path(u"received/"_s + file);
        return files;
    }

    QString argumentsOf(const QString& name) const
    {
        QFile arguments(path(name + u".args"_s));
        return arguments.open(QIODevice::ReadOnly) ? QString::fromUtf8(arguments.readAll()) : QString();
    }

    QString workbooks() const { return dir.filePath(u"cache/ferrowax"_s); }

    QProcessEnvironment environment(const QString& chosen = {}) const
    {
        QProcessEnvironment environment;
        environment.insert(u"PATH"_s, dir.path() + u":/usr/bin:/bin"_s);
        environment.insert(u"XDG_CACHE_HOME"_s, dir.filePath(u"cache"_s));
        if (!chosen.isEmpty())
            environment.insert(u"FERROWAX_SPREADSHEET"_s, chosen);
        return environment;
    }
};

// Reads a workbook back with LibreOffice, a spreadsheet reader of its own,
// as CSV text.
QString readWithLibreOffice(const QString& workbook)
{
    QTemporaryDir out;
    QProcess office;
    office.start(u"soffice"_s,
        {u"-env:UserInstallation=file://"_s + out.filePath(u"profile"_s), u"--headless"_s, u"--convert-to"_s,
            u"csv:Text - txt - csv (StarCalc):44,34,76"_s, u"--outdir"_s, out.path(), workbook});
    EXPECT_TRUE(office.waitForFinished(120000));
    const QStringList csv = QDir(out.path()).entryList({u"*.csv"_s}, QDir::Files);
    if (csv.size() != 1) {
        ADD_FAILURE() << "LibreOffice made no CSV: " << office.readAllStandardError().toStdString();
        return {};
    }
    QFile text(out.filePath(csv.front()));
    return text.open(QIODevice::ReadOnly) ? QString::fromUtf8(text.readAll()) : QString();
}

// The width the sheet gives column A, read from the workbook's own XML.
double firstColumnWidth(const QString& workbook)
{
    QProcess unzip;
    unzip.start(u"unzip"_s, {u"-p"_s, workbook, u"xl/worksheets/sheet1.xml"_s});
    EXPECT_TRUE(unzip.waitForFinished(10000));
    const QString sheet = QString::fromUtf8(unzip.readAllStandardOutput());
    const QRegularExpressionMatch column
        = QRegularExpression(u"<col min=\"1\" max=\"1\" width=\"([0-9.]+)\""_s).match(sheet);
    EXPECT_TRUE(column.hasMatch()) << sheet.toStdString();
    return column.captured(1).toDouble();
}

// Makes one workbook holding "Results" in A1 and lets go of the application.
void makeWorkbook(XlsxSpreadsheets& spreadsheets, bool visible)
{
    const std::unique_ptr<SpreadsheetApplication> application = spreadsheets.create();
    application->addWorkbook();
    application->setVisible(visible);
    application->setCell(1, 1, u"Results"_s);
    application->release();
}

// A clock that moves on a second each time it is read.
struct SteppingClock {
    QDateTime now = QDateTime(QDate(2026, 12, 8), QTime(14, 3, 12));
    QDateTime operator()()
    {
        now = now.addSecs(1);
        return now;
    }
};

struct XlsxExportTest : ::testing::Test {
    FakePrograms programs;
    ScriptedServices scripted;
    std::unique_ptr<XlsxSpreadsheets> spreadsheets;
    std::unique_ptr<Services> services;
    WindowState window;

    XlsxExportTest()
    {
        programs.add(u"capture"_s);
        use(programs.environment(programs.path(u"capture"_s)));
        window.resultList().addColumn(u"Results"_s);
    }
    void use(const QProcessEnvironment& environment)
    {
        spreadsheets = std::make_unique<XlsxSpreadsheets>(scripted.io, environment, SteppingClock());
        services = std::make_unique<Services>(Services{scripted.dialogs, scripted.eventPump, scripted.io, scripted.fileSystem,
            scripted.desktop, scripted.random, scripted.processEnd, scripted.settings, scripted.outputFiles,
            scripted.clipboard, *spreadsheets, QString()});
    }
    void press() { PushButton14_Click(window, *services); }
};

TEST_F(XlsxExportTest, WorkbooksReadBackWithTheirCaptionAndCheckedRows)
{
    int number = 0;
    for (const bool checked : {false, true, false, true})
        window.resultList().append("/photos/" + QByteArray::number(++number) + ".jpg", checked);
    press();
    for (int i = 1; i <= 4; ++i)
        window.resultList().setChecked(i, false);
    press();

    window.resultList().append("/a/much/longer/path/than/the/others/" + QByteArray(40, 'x') + ".jpg", true);
    window.resultList().append("/z.jpg", true); // written last, yet the column fits the longest
    press();

    const QStringList workbooks = programs.received(3);
    ASSERT_EQ(workbooks.size(), 3);
    EXPECT_EQ(readWithLibreOffice(workbooks[0]), u"Results\n\n/photos/2.jpg\n\n/photos/4.jpg\n"_s);
    EXPECT_EQ(readWithLibreOffice(workbooks[1]), u"Results\n"_s);
    EXPECT_GE(firstColumnWidth(workbooks[2]), 80);
    EXPECT_TRUE(scripted.dialogs.shown.empty());
}

// A workbook that cannot be shown gives a report; it is never only a line
// in a log.
TEST_F(XlsxExportTest, HandOverThatFailsIsReported)
{
    window.resultList().append("/a.jpg", true);
    programs.add(u"refuses"_s, "exit 3");
    QFile broken(programs.path(u"broken"_s));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("#!/no/such/interpreter\n");
    broken.close();
    broken.setPermissions(QFile::ReadOwner | QFile::ExeOwner);

    for (const QString& program : {u"refuses"_s, u"broken"_s}) {
        use(programs.environment(programs.path(program)));
        scripted.dialogs.shown.clear();
        press();
        ASSERT_EQ(scripted.dialogs.errorReports().size(), 1U) << program.toStdString();
        const QString report = scripted.dialogs.errorReports().front().text;
        EXPECT_TRUE(report.startsWith(programs.path(program))) << report.toStdString();
        EXPECT_TRUE(report.contains(u"in Drovatek2021/08/31.Form1.PushButton14_Click at line 116\r\r"_s));
        EXPECT_EQ(window.mousePointer(), Pointer::Default);
    }
    EXPECT_TRUE(scripted.dialogs.errorReports().front().text.contains(u"cannot be started: No such file or directory"_s));
}

TEST_F(XlsxExportTest, PathsWithCharactersXmlCannotHoldStillOpen)
{
    window.resultList().append("/odd/bell\x07name.txt", true);
    window.resultList().append("/odd/caf\xe9.txt", true);
    window.resultList().append("/odd/tab\tand\nnewline.txt", true);
    press();
    const QStringList workbooks = programs.received(1);
    ASSERT_EQ(workbooks.size(), 1);
    EXPECT_EQ(readWithLibreOffice(workbooks[0]),
        u"Results\n/odd/bell\uFFFDname.txt\n/odd/caf\uFFFD.txt\n\"/odd/tab\tand\nnewline.txt\"\n"_s);
}

TEST(XlsxSpreadsheets, WorkbookNeverMadeVisibleIsThrownAway)
{
    FakePrograms programs;
    programs.add(u"capture"_s);
    XlsxSpreadsheets spreadsheets(io(), programs.environment(programs.path(u"capture"_s)));
    makeWorkbook(spreadsheets, false);
    QThread::msleep(300);
    EXPECT_TRUE(programs.received(0).isEmpty());
}

TEST(XlsxSpreadsheets, LibreOfficeOpensTheWorkbookAsATemplate)
{
    FakePrograms programs;
    programs.add(u"soffice"_s);
    XlsxSpreadsheets spreadsheets(io(), programs.environment());
    makeWorkbook(spreadsheets, true);
    ASSERT_EQ(programs.received(1).size(), 1);
    const QStringList arguments = programs.argumentsOf(u"soffice"_s).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(arguments.size(), 3);
    EXPECT_EQ(arguments.mid(0, 2), (QStringList{u"--calc"_s, u"-n"_s}));
    EXPECT_TRUE(arguments[2].startsWith(programs.workbooks() + u"/Results "_s));
}

TEST(XlsxSpreadsheets, LibreOfficeCalcAloneAlsoOpensATemplate)
{
    FakePrograms programs;
    programs.add(u"localc"_s);
    QProcessEnvironment environment;
    environment.insert(u"PATH"_s, programs.dir.path());
    environment.insert(u"XDG_CACHE_HOME"_s, programs.dir.filePath(u"cache"_s));
    XlsxSpreadsheets spreadsheets(io(), environment);
    makeWorkbook(spreadsheets, true);
    ASSERT_EQ(programs.received(1).size(), 1);
    EXPECT_TRUE(programs.argumentsOf(u"localc"_s).startsWith(u"-n\n"_s));
}

TEST(XlsxSpreadsheets, DefaultApplicationForXlsxFilesServesWithoutLibreOffice)
{
    FakePrograms programs;
    programs.add(u"xdg-open"_s);
    QFile query(programs.path(u"xdg-mime"_s));
    ASSERT_TRUE(query.open(QIODevice::WriteOnly));
    query.write("#!/bin/sh\necho calc.desktop\n");
    query.close();
    query.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    QProcessEnvironment environment;
    environment.insert(u"PATH"_s, programs.dir.path());
    environment.insert(u"XDG_CACHE_HOME"_s, programs.dir.filePath(u"cache"_s));
    XlsxSpreadsheets spreadsheets(io(), environment);
    makeWorkbook(spreadsheets, true);
    EXPECT_EQ(programs.received(1).size(), 1);
}

TEST(XlsxSpreadsheets, WithoutAnyApplicationNoneCanBeCreated)
{
    QTemporaryDir empty;
    QProcessEnvironment environment;
    environment.insert(u"PATH"_s, empty.path());
    EXPECT_THROW(XlsxSpreadsheets(io(), environment).create(), Failure);

    // A desktop opener, but nothing registered for workbooks.
    FakePrograms programs;
    programs.add(u"xdg-open"_s);
    programs.add(u"xdg-mime"_s);
    environment.insert(u"PATH"_s, programs.dir.path());
    EXPECT_THROW(XlsxSpreadsheets(io(), environment).create(), Failure);
    environment.insert(u"FERROWAX_SPREADSHEET"_s, u"/no/such/program"_s);
    EXPECT_THROW(XlsxSpreadsheets(io(), environment).create(), Failure);
}

// Both times: libfuse 2 drops a change of the modification time alone.
void setModified(const QString& path, const QDateTime& time)
{
    const timespec times[2] = {{0, UTIME_NOW}, {time.toSecsSinceEpoch(), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

// Workbooks outlive the program in the user's cache folder, named after
// their time. After a week the program removes its own, as it wrote them,
// and its own unfinished ones, and nothing else: not a workbook saved from
// the spreadsheet program, not a file or link that only looks like one.
// The same holds where the file system keeps times to the second only.
TEST(XlsxSpreadsheets, TheCacheLosesOnlyItsOwnUnchangedWorkbooksAfterAWeek)
{
    FakePrograms programs;
    programs.add(u"capture"_s);
    const RecordingFileSystem coarse({u"writes"_s});
    QStringList homes{programs.dir.filePath(u"cache"_s)};
    if (coarse.mounted())
        homes << QFile::decodeName(coarse.path());
    for (const QString& home : homes) {
        SCOPED_TRACE(home.toStdString());
        QProcessEnvironment environment = programs.environment(programs.path(u"capture"_s));
        environment.insert(u"XDG_CACHE_HOME"_s, home);
        // An hour behind the real time: where a rename has to copy, the
        // workbook takes the time of the copy.
        QDateTime now = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() - 3600);
        const QString made = u"Results "_s + now.toString(u"yyyy-MM-dd hh.mm.ss"_s);
        XlsxSpreadsheets spreadsheets(io(), environment, [&] { return now; });
        for (int i = 0; i < 3; ++i)
            makeWorkbook(spreadsheets, true);
        const QDir workbooks(home + u"/ferrowax"_s);
        ASSERT_EQ(workbooks.entryList(QDir::Files),
            (QStringList{made + u" (2).xlsx"_s, made + u" (3).xlsx"_s,
                made + u".xlsx"_s}));
        if (home != homes.front()) {
            // Each noted before it is in place (by a rename, or a copy where
            // the rename cannot keep what is there): a program ended between
            // the two leaves no workbook that nobody will prune.
            int notes = 0;
            QSet<QByteArray> placed;
            for (const QByteArray& call : coarse.calls()) {
                if (call == "write /ferrowax/.ferrowax-workbooks")
                    ++notes;
                else if (call.endsWith(".xlsx") && !placed.contains(call.mid(call.lastIndexOf('/')))) {
                    placed.insert(call.mid(call.lastIndexOf('/')));
                    EXPECT_GE(notes, placed.size()) << call.constData();
                }
            }
            EXPECT_EQ(placed.size(), 3);
        }
        QFile saved(workbooks.filePath(made + u" (3).xlsx"_s));
        ASSERT_TRUE(saved.open(QIODevice::Append));
        saved.write("edited");
        saved.close();
        // As large as written, but touched since.
        setModified(workbooks.filePath(made + u" (2).xlsx"_s), now.addDays(-30));
        const QStringList others{u"Results for boss.xlsx"_s, u"results lower.XLSX"_s,
            u"Results 2026-12-01 10.00.00.xlsx.bak"_s, u"Results 2026-12-01 10.00.00.xlsx.partial"_s,
            u"Results for boss.xlsx.partial"_s};
        for (const QString& name : others) {
            QFile other(workbooks.filePath(name));
            ASSERT_TRUE(other.open(QIODevice::WriteOnly));
            other.close();
            setModified(workbooks.filePath(name), now.addDays(-30));
        }
        if (home == homes.front()) {
            // Earlier versions kept no record: a mark in the nanoseconds of
            // the time says their workbooks are as written.
            QFile earlier(workbooks.filePath(u"Results 2026-11-20 10.00.00.xlsx"_s));
            ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
            const timespec times[2] = {{0, UTIME_OMIT}, {now.addDays(-18).toSecsSinceEpoch(), 417'417'417}};
            ASSERT_EQ(::futimens(earlier.handle(), times), 0);
        }
        // Links, one named as an unfinished workbook is.
        for (const QString& link : {u"Results 2026-11-01 10.00.00.xlsx"_s, u"Results 2026-11-01 10.00.00.xlsx.partial"_s})
            ASSERT_TRUE(QFile::link(workbooks.filePath(u"Results for boss.xlsx"_s), workbooks.filePath(link)));

        now = now.addDays(8);
        spreadsheets.removeOldWorkbooks();
        EXPECT_EQ(workbooks.entryList(QDir::Files | QDir::System),
            (QStringList{u"Results 2026-11-01 10.00.00.xlsx"_s, u"Results 2026-11-01 10.00.00.xlsx.partial"_s,
                u"Results 2026-12-01 10.00.00.xlsx.bak"_s,
                made + u" (2).xlsx"_s, made + u" (3).xlsx"_s,
                u"Results for boss.xlsx"_s,
                u"Results for boss.xlsx.partial"_s, u"results lower.XLSX"_s}));
        // The record of what was written forgets the workbooks that are gone.
        QFile record(workbooks.filePath(u".ferrowax-workbooks"_s));
        ASSERT_TRUE(record.open(QIODevice::ReadOnly));
        EXPECT_EQ(record.readAll().count("Results "), 2);
    }

    // A relative XDG_CACHE_HOME is no cache folder, as the XDG rules have it.
    QProcessEnvironment relative;
    relative.insert(u"HOME"_s, u"/home/someone"_s);
    relative.insert(u"XDG_CACHE_HOME"_s, u"cache"_s);
    EXPECT_EQ(XlsxSpreadsheets(io(), relative).folder(), u"/home/someone/.cache/ferrowax"_s);
    if (!coarse.mounted())
        GTEST_SKIP() << "Coarse times not tried: " << coarse.whyNot().toStdString();
}

// Rows past a worksheet's last, 1,048,576, go on in a second worksheet
// below the same caption: no result is left out.
TEST(XlsxSpreadsheets, RowsPastTheLastGoOnInASecondWorksheet)
{
    FakePrograms programs;
    programs.add(u"capture"_s);
    XlsxSpreadsheets spreadsheets(io(), programs.environment(programs.path(u"capture"_s)));
    const std::unique_ptr<SpreadsheetApplication> application = spreadsheets.create();
    application->addWorkbook();
    application->setVisible(true);
    application->setCell(1, 1, u"Results"_s);
    constexpr int lastRow = 1'048'576;
    for (int row = 2; row <= lastRow + 2; ++row)
        application->setCell(row, 1, row < lastRow ? u"/r"_s : u"/row "_s + QString::number(row));
    application->fitAllColumns();
    application->release();
    const QStringList received = programs.received(1);
    ASSERT_EQ(received.size(), 1);
    QProcess unzip;
    unzip.start(u"unzip"_s, {u"-p"_s, received.front(), u"xl/worksheets/sheet2.xml"_s, u"xl/sharedStrings.xml"_s});
    ASSERT_TRUE(unzip.waitForFinished(60000));
    const QString second = QString::fromUtf8(unzip.readAllStandardOutput());
    EXPECT_TRUE(second.contains(u"<c r=\"A1\""_s) && second.contains(u"<c r=\"A3\""_s)) << second.left(2000).toStdString();
    EXPECT_FALSE(second.contains(u"<c r=\"A4\""_s));
    EXPECT_TRUE(second.contains(u"/row 1048578"_s));
}

} // namespace
