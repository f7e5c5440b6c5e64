#include "dialogs.h"

namespace ferrowax {

int Dialogs::messageBox(const QString& text, int style, const QString& title)
{
    return showMessage(text, style, captionFor(title));
}

QString Dialogs::inputBox(const QString& prompt, const QString& title)
{
    return showInput(prompt, captionFor(title));
}

QString Dialogs::captionFor(const QString& title) const
{
    return title.isEmpty() ? applicationTitle_ : title;
}

} // namespace ferrowax
