#pragma once

#include <QDateTime>
#include <QString>

namespace ferrowax {

// The folder that keeps the workbooks the program made, for as long as a
// spreadsheet program may have them open, and the rule that empties it: a
// workbook goes a week after it was made while it is still as the program
// wrote it, and an unfinished one of the program's own form a week after it
// was last written. Nothing else in the folder is touched.
//
// "As written" is a workbook's size and modification time as they were
// when it was put in place. They are noted in a record beside the
// workbooks, as file systems with coarse times (vfat, exFAT, NTFS, ext4
// with small inodes) keep no mark in the time itself.
class WorkbookCache {
public:
    explicit WorkbookCache(QString folder);

    // Puts the finished workbook `partial` in its place at `path`, in this
    // folder, dated `made` and noted as written. Fails, leaving `path`
    // absent, when it cannot be put there; a record that cannot be used only
    // keeps the workbook longer.
    void store(const QString& partial, const QString& path, const QDateTime& made) const;

    // Removes the workbooks that the rule lets go as of `now`.
    void removeOld(const QDateTime& now) const;

private:
    QString folder_;
};

} // namespace ferrowax
