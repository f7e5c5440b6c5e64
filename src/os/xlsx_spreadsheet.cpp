#include "xlsx_spreadsheet.h"

#include "failure.h"
#include "program_search.h"
#include "program_start.h"
#include "workbook_cache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <xlsxwriter.h>

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

const QString xlsxMimeType = u"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"_s;
constexpr double widestColumn = 255;
// How long a spreadsheet program is watched for failing at once.
constexpr int watchMilliseconds = 2000;

void check(lxw_error error)
{
    if (error != LXW_NO_ERROR)
        throw Failure(QString::fromUtf8(lxw_strerror(error)));
}

// XML 1.0 has no place for most control characters, and Qt has already
// turned bytes that are not UTF-8 into replacement characters.
QByteArray cellText(const QString& text)
{
    QString clean = text;
    for (QChar& c : clean) {
        const char16_t code = c.unicode();
        if ((code < 0x20 && code != u'\t' && code != u'\n' && code != u'\r') || code == 0xFFFE || code == 0xFFFF)
            c = QChar::ReplacementCharacter;
    }
    return clean.toUtf8();
}

class Workbook {
public:
    Workbook(const QString& path, const QDateTime& made)
        : path_(path)
        , partialPath_(path + u".partial"_s)
        , made_(made)
    {
        const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE; // a million rows in little memory
        options.tmpdir = const_cast<char*>(folder.constData());
        workbook_ = workbook_new_opt(QFile::encodeName(partialPath_).constData(), &options);
        if (workbook_ == nullptr)
            throw Failure(u"The workbook cannot be created"_s);
        addSheet();
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;
    ~Workbook()
    {
        discard();
        QFile::remove(partialPath_);
    }

    bool visible = false;

    // Rows past a worksheet's last go on to the next, below the same
    // captions, so that no row is left out.
    void setCell(int row, int column, const QString& text)
    {
        if (row < 1 || column < 1)
            throw Failure(u"Worksheet row or column index out of range."_s);
        const auto sheetColumn = static_cast<lxw_col_t>(column - 1);
        if (row == 1) {
            captions_[sheetColumn] = cellText(text);
            for (lxw_worksheet* sheet : sheets_)
                check(worksheet_write_string(sheet, 0, sheetColumn, captions_[sheetColumn].constData(), nullptr));
        } else {
            constexpr int rowsBelowCaptions = LXW_ROW_MAX - 1;
            const auto sheet = static_cast<std::size_t>((row - 2) / rowsBelowCaptions);
            while (sheets_.size() <= sheet)
                addSheet();
            check(worksheet_write_string(sheets_[sheet], static_cast<lxw_row_t>(1 + (row - 2) % rowsBelowCaptions),
                sheetColumn, cellText(text).constData(), nullptr));
        }
        qsizetype& longest = longestText_[column];
        longest = std::max(longest, text.size());
    }

    // The library cannot measure text, so a column is as wide as its
    // longest text in characters.
    void fitColumn(int column)
    {
        const auto longest = longestText_.find(column);
        const double width = longest == longestText_.end() ? 8.43 : std::min(widestColumn, longest->second + 1.0);
        for (lxw_worksheet* sheet : sheets_) {
            check(worksheet_set_column(sheet, static_cast<lxw_col_t>(column - 1), static_cast<lxw_col_t>(column - 1),
                width, nullptr));
        }
    }

    void fitAllColumns()
    {
        for (const auto& [column, longest] : longestText_)
            fitColumn(column);
    }

    // Writes the file complete or not at all: it appears under its name only
    // once the library has finished it.
    QString finish()
    {
        lxw_workbook* workbook = workbook_;
        workbook_ = nullptr;
        check(workbook_close(workbook));
        WorkbookCache(QFileInfo(path_).absolutePath()).store(partialPath_, path_, made_);
        return path_;
    }

    void discard()
    {
        if (workbook_ != nullptr) {
            workbook_close(workbook_);
            workbook_ = nullptr;
        }
    }

private:
    void addSheet()
    {
        lxw_worksheet* sheet = workbook_add_worksheet(workbook_, nullptr);
        if (sheet == nullptr)
            throw Failure(u"The worksheet cannot be created"_s);
        sheets_.push_back(sheet);
        for (const auto& [column, caption] : captions_)
            check(worksheet_write_string(sheet, 0, column, caption.constData(), nullptr));
    }

    QString path_;
    QString partialPath_;
    QDateTime made_;
    lxw_workbook* workbook_ = nullptr;
    std::vector<lxw_worksheet*> sheets_;
    std::map<lxw_col_t, QByteArray> captions_;
    std::map<int, qsizetype> longestText_;
};

} // namespace

class XlsxApplication final : public SpreadsheetApplication {
public:
    XlsxApplication(XlsxSpreadsheets& spreadsheets, XlsxSpreadsheets::Opener opener)
        : spreadsheets_(spreadsheets)
        , opener_(std::move(opener))
    {
    }
    XlsxApplication(const XlsxApplication&) = delete;
    XlsxApplication& operator=(const XlsxApplication&) = delete;

    void addWorkbook() override
    {
        const QDateTime made = spreadsheets_.clock_();
        workbooks_.push_back(std::make_unique<Workbook>(spreadsheets_.newWorkbookPath(made), made));
    }

    void setVisible(bool visible) override
    {
        for (const std::unique_ptr<Workbook>& workbook : workbooks_)
            workbook->visible = visible;
    }

    void setCell(int row, int column, const QString& text) override { active().setCell(row, column, text); }
    void fitColumn(int column) override { active().fitColumn(column); }
    void fitAllColumns() override { active().fitAllColumns(); }

    // The visible workbooks go to the spreadsheet program, the others are
    // thrown away.
    void release() override
    {
        std::vector<std::unique_ptr<Workbook>> workbooks = std::move(workbooks_);
        for (const std::unique_ptr<Workbook>& workbook : workbooks) {
            if (workbook->visible)
                startWatched(spreadsheets_.io_, opener_.program, opener_.arguments + QStringList{workbook->finish()},
                    spreadsheets_.environment_, watchMilliseconds);
        }
    }

private:
    Workbook& active()
    {
        if (workbooks_.empty())
            throw Failure(u"No workbook is open"_s);
        return *workbooks_.back();
    }

    XlsxSpreadsheets& spreadsheets_;
    XlsxSpreadsheets::Opener opener_;
    std::vector<std::unique_ptr<Workbook>> workbooks_;
};

XlsxSpreadsheets::XlsxSpreadsheets(IoService& io, QProcessEnvironment environment, std::function<QDateTime()> clock)
    : io_(io)
    , environment_(std::move(environment))
    , clock_(std::move(clock))
{
}

QString XlsxSpreadsheets::folder() const
{
    const QString cache = environment_.value(u"XDG_CACHE_HOME"_s);
    const QString base = cache.startsWith(u'/') ? cache : environment_.value(u"HOME"_s) + u"/.cache"_s;
    return base + u"/ferrowax"_s;
}

QString XlsxSpreadsheets::newWorkbookPath(const QDateTime& made) const
{
    if (!QDir().mkpath(folder()))
        throw Failure(folder() + u" cannot be made"_s);
    // Named so that a save from the spreadsheet program lands where the
    // user finds it again; two in one second get a number.
    const QString stem = QDir(folder()).filePath(u"Results "_s + made.toString(u"yyyy-MM-dd HH.mm.ss"_s));
    QString path = stem + u".xlsx"_s;
    for (int number = 2; QFileInfo::exists(path) || QFileInfo::exists(path + u".partial"_s); ++number)
        path = stem + u" (%1).xlsx"_s.arg(number);
    return path;
}

void XlsxSpreadsheets::removeOldWorkbooks() const
{
    WorkbookCache(folder()).removeOld(clock_());
}

XlsxSpreadsheets::Opener XlsxSpreadsheets::findOpener() const
{
    if (const QString chosen = environment_.value(u"FERROWAX_SPREADSHEET"_s); !chosen.isEmpty()) {
        const QString program = findProgram(chosen, environment_);
        if (program.isEmpty())
            throw Failure(chosen + u" cannot be found"_s);
        return {program, {}};
    }
    // LibreOffice opens a template as a new document nobody has saved yet.
    for (const QString& office : {u"soffice"_s, u"localc"_s}) {
        if (const QString program = findProgram(office, environment_); !program.isEmpty())
            return {program, office == u"soffice"_s ? QStringList{u"--calc"_s, u"-n"_s} : QStringList{u"-n"_s}};
    }
    const QString xdgMime = findProgram(u"xdg-mime"_s, environment_);
    const QString xdgOpen = findProgram(u"xdg-open"_s, environment_);
    if (!xdgMime.isEmpty() && !xdgOpen.isEmpty()) {
        QProcess query;
        query.setProcessEnvironment(environment_);
        query.start(xdgMime, {u"query"_s, u"default"_s, xlsxMimeType});
        if (query.waitForFinished(5000) && !query.readAllStandardOutput().trimmed().isEmpty())
            return {xdgOpen, {}};
    }
    throw Failure(u"No spreadsheet application is installed"_s);
}

std::unique_ptr<SpreadsheetApplication> XlsxSpreadsheets::create()
{
    return std::make_unique<XlsxApplication>(*this, findOpener());
}

} // namespace ferrowax
