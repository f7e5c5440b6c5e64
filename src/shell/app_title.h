#pragma once

#include <QString>

namespace ferrowax {

class Dialogs;

inline const QString productTitle = QStringLiteral("Ferrowax");

// Cuts words off the end of a product title until at most 40 characters
// remain, always cutting at least once. A title without a blank stays whole.
QString appTitleFrom(const QString& title);

// Gives every box without a caption of its own the application title.
void SetAppTitle(Dialogs& dialogs);

} // namespace ferrowax
