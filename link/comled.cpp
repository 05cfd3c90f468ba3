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
}

void ComLed::paintEvent(QPaintEvent *)
{
    // A red light under glass, with a glint up and to the left and a deeper red at the
    // rim; dark, it is the same light at about a third of its brightness.
    const QColor red = m_on ? QColor(Qt::red) : QColor(Qt::red).darker(280);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = qMin(width(), height()) - 4.0;
    QRectF lamp(0, 0, side, side);
    lamp.moveCenter(QRectF(rect()).center());
    QRadialGradient glass(lamp.center() - QPointF(side, side) / 6.0, side / 1.6);
    glass.setColorAt(0.0, red.lighter(160));
    glass.setColorAt(0.35, red);
    glass.setColorAt(1.0, red.darker(170));
    painter.setPen(red.darker(300));
    painter.setBrush(glass);
    painter.drawEllipse(lamp);
}
