#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <map>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;

namespace ferrowax {

// One workbook being written as an .xlsx file, beside its name until
// finish() puts it in its place in the workbook cache. Rows past a
// worksheet's last continue on a further worksheet, below the same
// captions. Every call may wait on the disk.
class XlsxWorkbook {
public:
    XlsxWorkbook(const QString& path, const QDateTime& made);
    ~XlsxWorkbook();
    XlsxWorkbook(const XlsxWorkbook&) = delete;
    XlsxWorkbook& operator=(const XlsxWorkbook&) = delete;

    void setCell(int row, int column, const QString& text);
    // The library cannot measure text, so a column is as wide as its
    // longest text in characters.
    void fitColumn(int column);
    void fitAllColumns();
    // Writes the file complete or not at all, and answers its path: it
    // appears under its name only once the library has finished it.
    QString finish();

private:
    void addSheet();
    void discard();

    QString path_;
    QString partialPath_;
    QDateTime made_;
    lxw_workbook* workbook_ = nullptr;
    std::vector<lxw_worksheet*> sheets_;
    std::map<std::uint16_t, QByteArray> captions_;
    std::map<int, qsizetype> longestText_;
};

} // namespace ferrowax
