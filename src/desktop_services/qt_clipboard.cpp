#include "qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace ferrowax {

void QtClipboard::clear()
{
    QGuiApplication::clipboard()->clear();
}

void QtClipboard::setText(const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
}

} // namespace ferrowax
