// For the tests under Wine only: Windows' end of a session as it meets a program, on the
// test's word. At a logoff Windows sends each top-level window WM_QUERYENDSESSION, then
// WM_ENDSESSION, and ends the process as soon as they have answered. Wine's own
// (wineboot --end-session) takes a new process a second to start, and lets the program run
// on to its own end; Wine's TerminateProcess lets the other threads run on for a second or
// two. Loaded into the program as a Qt generic plugin (QT_QPA_GENERIC_PLUGINS=sessionend),
// this sends the messages on the program's thread within 10 ms of the file
// SENSOR_END_SESSION names appearing, writes that file's name with ".answered" once they
// are answered, and holds the thread there: the test then ends the process at once, as
// Windows does.
#include <QFile>
#include <QGenericPlugin>
#include <QTimer>

#include <windows.h>

namespace {

// Sends each of the thread's top-level windows the message `message` names.
BOOL CALLBACK tell(HWND window, LPARAM message)
{
    SendMessageW(window, static_cast<UINT>(message), message == WM_ENDSESSION, ENDSESSION_LOGOFF);
    return TRUE;
}

} // namespace

class SessionEnd : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "sessionend.json")
public:
    QObject *create(const QString &, const QString &) override
    {
        auto *timer = new QTimer(this);
        timer->setTimerType(Qt::PreciseTimer); // not held back by a busy queue
        connect(timer, &QTimer::timeout, timer, [] {
            const QString word = qEnvironmentVariable("SENSOR_END_SESSION");
            if (!QFile::exists(word))
                return;
            EnumThreadWindows(GetCurrentThreadId(), tell, WM_QUERYENDSESSION);
            EnumThreadWindows(GetCurrentThreadId(), tell, WM_ENDSESSION);
            QFile answered(word + QStringLiteral(".answered"));
            (void)answered.open(QIODevice::WriteOnly);
            answered.close();
            Sleep(INFINITE);
        });
        timer->start(10);
        return timer;
    }
};

#include "sessionend.moc"
