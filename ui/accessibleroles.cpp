#include "ui/accessibleroles.h"

#include "link/comled.h"
#include "ui/signalchart.h"
#include "ui/tform1.h"

#include <QAccessibleWidget>

namespace {

// A widget read as one whole: the chart's scene and viewport are drawing machinery with
// nothing to say of their own.
class AccessibleLeaf : public QAccessibleWidget
{
public:
    using QAccessibleWidget::QAccessibleWidget;
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
};

QAccessibleInterface *accessibleFor(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    if (className == QLatin1String(TForm1::staticMetaObject.className()))
        return new QAccessibleWidget(widget, QAccessible::Window);
    // The lamp tells the link's state, as a status line would.
    if (className == QLatin1String(ComLed::staticMetaObject.className()))
        return new AccessibleLeaf(widget, QAccessible::StatusBar);
    if (className == QLatin1String(SignalChart::staticMetaObject.className()))
        return new AccessibleLeaf(widget, QAccessible::Chart);
    return nullptr;
}

} // namespace

void installAccessibleRoles()
{
    QAccessible::installFactory(accessibleFor);
}
