#pragma once

#include <QObject>
#include <QRect>

class QWidget;

// Gives a window its designed outer rectangle, frame included, on the screen: as designed
// where the screen shows all of it, otherwise moved, and shrunk only as far as it must
// be, into the screen's available area (a small or scaled screen would hide the bottom
// row). Qt sizes a window's client area, and a window manager adds its frame some time
// after the window is first shown; once the frame is known, the client area is shrunk
// so that the whole window has the outer size. Shown again later (restored after a
// minimise), the window keeps whatever size the user has given it.
class ScreenFit : public QObject
{
public:
    /// Places `window` now and fits it to its frame when first shown.
    ScreenFit(QWidget *window, const QRect &designed);

    /// Where a window designed at `designed` goes on the screen at its position.
    static QRect onScreen(const QRect &designed);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fitToFrame();

    static constexpr int kFrameCheckIntervalMs = 50;
    static constexpr int kFrameChecks = 60; // a window manager may take a while

    QWidget *m_window;
    QRect m_designed;
    bool m_shown = false;
    int m_checksLeft = kFrameChecks;
};
