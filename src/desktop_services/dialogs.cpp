#include "dialogs.h"

namespace ferrowax {

int Dialogs::messageBox(const QString& text, int style, const QString& title)
{
    return showMessage(text, style, captionFor(title));
}

int Dialogs::failureBox(const QString& text, int style, const QString& title, const std::exception& failure)
{
    return showFailure(text, style, captionFor(title), failure);
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
