#pragma once

#include <QWidget>

class ComPort;

// The link's lamp: a red light, lit while the link is open and dark while it is closed.
class ComLed : public QWidget
{
    Q_OBJECT
public:
    explicit ComLed(QWidget *parent = nullptr);

    /// Follows this link's state from now on.
    void setComPort(ComPort *port);

    bool isOn() const { return m_on; }
    void setOn(bool on);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_on = false;
};
