#include "app/stoprequests.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>

#include <windows.h>

namespace {

// A logoff or a shutdown sends each top-level window WM_ENDSESSION, and ends the process
// once they have answered: the windows close before ours answers, while the program may
// still write out its file and close its port. Qt's own handling then ends the loop.
class SessionEnd : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        const auto *msg = static_cast<const MSG *>(message);
        if (eventType == "windows_generic_MSG" && msg->message == WM_ENDSESSION && msg->wParam)
            QApplication::closeAllWindows();
        return false;
    }
};

} // namespace

void closeWindowsOnStopRequests()
{
    static SessionEnd sessionEnd;
    qApp->installNativeEventFilter(&sessionEnd);
}
