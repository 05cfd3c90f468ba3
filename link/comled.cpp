#include "link/comled.h"

#include "link/comport.h"

#include <QPainter>
#include <QRadialGradient>

namespace {

// A screen reader says the lamp's state as its name.
QString stateName(bool on)
{
    return on ? QStringLiteral("Porta aberta") : QStringLiteral("Porta fechada");
}

} // namespace

ComLed::ComLed(QWidget *parent)
    : QWidget(parent)
{
    setAccessibleName(stateName(m_on));
    setAccessibleDescription(QStringLiteral("Lâmpada da porta serial"));
}

void ComLed::setComPort(ComPort *port)
{
    connect(port, &ComPort::connectionChanged, this, &ComLed::setOn);
    setOn(port->Connected());
}

void ComLed::setOn(bool on)
{
    if (m_on == on)
        return;
    m_on = on;
    setAccessibleName(stateName(on));
    update();
    emit onChanged(on);
}

void ComLed::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = qMin(width(), height()) - 4.0;
    const QRectF lamp((width() - side) / 2.0, (height() - side) / 2.0, side, side);

    QRadialGradient glass(lamp.center() - QPointF(side / 6.0, side / 6.0), side / 1.6);
    if (m_on) {
        glass.setColorAt(0.0, QColor(255, 200, 200));
        glass.setColorAt(0.35, QColor(255, 0, 0));
        glass.setColorAt(1.0, QColor(150, 0, 0));
    } else {
        glass.setColorAt(0.0, QColor(140, 70, 70));
        glass.setColorAt(0.35, QColor(90, 0, 0));
        glass.setColorAt(1.0, QColor(45, 0, 0));
    }
    painter.setPen(QPen(QColor(60, 60, 60), 1.0));
    painter.setBrush(glass);
    painter.drawEllipse(lamp);
}
