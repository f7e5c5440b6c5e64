#include "accessible_frame.h"

#include <QAccessibleWidget>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

QAccessibleInterface* frameFor(const QString& className, QObject* object)
{
    Q_UNUSED(className)
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr || !widget->isWindow() || widget->objectName() != u"Form1"_s)
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Window);
}

} // namespace

void announceMainWindowAsFrame()
{
    static bool installed = false;
    if (!installed)
        QAccessible::installFactory(frameFor);
    installed = true;
}

} // namespace ferrowax
