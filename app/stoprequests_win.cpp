#include "app/stoprequests.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QCloseEvent>
#include <QWidget>

#include <windows.h>

namespace {

// A logoff or a shutdown sends each top-level window WM_ENDSESSION, and ends the process
// as soon as they have answered: before ours answers, the program's main windows hear of
// it as of their closing, once, and the main window's handler writes out the recording and
// closes the port. They are not closed for real here: a window closed inside its own
// window procedure leaves Qt's handling of the message on a window that has gone (the
// program crashed so under Wine). Qt's own handling then ends the loop, which the process
// may not live to see.
class SessionEnd : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        const auto *msg = static_cast<const MSG *>(message);
        if (eventType != "windows_generic_MSG" || msg->message != WM_ENDSESSION || !msg->wParam
            || m_told)
            return false;
        m_told = true;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (!window->isVisible() || window->windowType() != Qt::Window)
                continue; // a box or a dialog keeps nothing
            QCloseEvent closing;
            QCoreApplication::sendEvent(window, &closing);
        }
        return false;
    }

private:
    bool m_told = false;
};

} // namespace

void closeWindowsOnStopRequests()
{
    static SessionEnd sessionEnd;
    qApp->installNativeEventFilter(&sessionEnd);
}
