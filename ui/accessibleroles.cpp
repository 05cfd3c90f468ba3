#include "ui/accessibleroles.h"

#include "link/comled.h"
#include "ui/signalchart.h"
#include "ui/tform1.h"

#include <QAccessibleWidget>
#include <QLabel>

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

// The chart is read as one whole, but for the panel of measures shown on it.
class AccessibleChart : public QAccessibleWidget
{
public:
    explicit AccessibleChart(SignalChart *chart)
        : QAccessibleWidget(chart, QAccessible::Chart)
        , m_chart(chart)
    {}
    int childCount() const override { return panel() ? 1 : 0; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 && panel() ? QAccessible::queryAccessibleInterface(panel()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && panel() && child->object() == panel() ? 0 : -1;
    }

private:
    QWidget *panel() const
    {
        QWidget *panel = m_chart->measurePanel();
        return panel->isVisible() ? panel : nullptr;
    }
    SignalChart *m_chart;
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
        return new AccessibleChart(static_cast<SignalChart *>(widget));
    return nullptr;
}

} // namespace

void installAccessibleRoles()
{
    QAccessible::installFactory(accessibleFor);
}
