#pragma once

#include <QDateTime>
#include <QProcessEnvironment>
#include <QString>

namespace ferrowax {

// The folder the workbooks live in: $XDG_CACHE_HOME/ferrowax, else
// ~/.cache/ferrowax.
QString workbookFolder(const QProcessEnvironment& environment);

// The path of a new workbook made at `made`, in `folder`, which is made if
// need be. Named so that a save from the spreadsheet program lands where the
// user finds it again; two in one second get a number. Its unfinished
// file, the path and ".partial", is made empty for it.
QString newWorkbookPath(const QString& folder, const QDateTime& made);

} // namespace ferrowax
