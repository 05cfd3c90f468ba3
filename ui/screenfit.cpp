#include "ui/screenfit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>

ScreenFit::ScreenFit(QWidget *window, const QRect &designed)
    : QObject(window)
    , m_window(window)
    , m_designed(designed)
{
    const QRect outer = onScreen(designed);
    window->move(outer.topLeft()); // move() places the frame,
    window->resize(outer.size());  // resize() sizes the client area until the frame is known
    window->installEventFilter(this);
}

QRect ScreenFit::onScreen(const QRect &designed)
{
    const QScreen *screen = QGuiApplication::screenAt(designed.topLeft());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : designed;
    if (available.contains(designed))
        return designed;
    const QSize size = designed.size().boundedTo(available.size());
    const int x = std::clamp(designed.x(), available.left(),
                             available.left() + available.width() - size.width());
    const int y = std::clamp(designed.y(), available.top(),
                             available.top() + available.height() - size.height());
    return {QPoint(x, y), size};
}

bool ScreenFit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Show && !m_shown) {
        m_shown = true;
        fitToFrame();
    }
    return false;
}

void ScreenFit::fitToFrame()
{
    const QSize frame = m_window->frameGeometry().size() - m_window->geometry().size();
    if (frame.width() > 0 || frame.height() > 0) {
        const QRect outer = onScreen(m_designed);
        m_window->resize(outer.size() - frame);
        m_window->move(outer.topLeft());
        return;
    }
    if (--m_checksLeft > 0)
        QTimer::singleShot(kFrameCheckIntervalMs, this, &ScreenFit::fitToFrame);
}
