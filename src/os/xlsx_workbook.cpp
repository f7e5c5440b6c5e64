#include "xlsx_workbook.h"

#include "failure.h"
#include "workbook_cache.h"

#include <QFile>
#include <QFileInfo>

#include <xlsxwriter.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

constexpr double widestColumn = 255;

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

} // namespace

XlsxWorkbook::XlsxWorkbook(const QString& path, const QDateTime& made)
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

XlsxWorkbook::~XlsxWorkbook()
{
    discard();
    QFile::remove(partialPath_);
}

void XlsxWorkbook::setCell(int row, int column, const QString& text)
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

void XlsxWorkbook::fitColumn(int column)
{
    const auto longest = longestText_.find(column);
    const double width = longest == longestText_.end() ? 8.43 : std::min(widestColumn, longest->second + 1.0);
    for (lxw_worksheet* sheet : sheets_) {
        check(worksheet_set_column(sheet, static_cast<lxw_col_t>(column - 1), static_cast<lxw_col_t>(column - 1),
            width, nullptr));
    }
}

void XlsxWorkbook::fitAllColumns()
{
    for (const auto& [column, longest] : longestText_)
        fitColumn(column);
}

QString XlsxWorkbook::finish()
{
    lxw_workbook* workbook = workbook_;
    workbook_ = nullptr;
    check(workbook_close(workbook));
    WorkbookCache(QFileInfo(path_).absolutePath()).store(partialPath_, path_, made_);
    return path_;
}

void XlsxWorkbook::discard()
{
    if (workbook_ != nullptr) {
        workbook_close(workbook_);
        workbook_ = nullptr;
    }
}

void XlsxWorkbook::addSheet()
{
    lxw_worksheet* sheet = workbook_add_worksheet(workbook_, nullptr);
    if (sheet == nullptr)
        throw Failure(u"The worksheet cannot be created"_s);
    sheets_.push_back(sheet);
    for (const auto& [column, caption] : captions_)
        check(worksheet_write_string(sheet, 0, column, caption.constData(), nullptr));
}

} // namespace ferrowax
