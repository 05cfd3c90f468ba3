#pragma once

#include "errors/exception.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QMessageBox;

/// Shows the error's message in a modal error box and returns once it is dismissed.
void ShowException(const Exception &error);

// Where the program's reports go: error boxes, or, in a test, a record of them.
class Reports
{
public:
    virtual ~Reports() = default;
    virtual void report(const QString &message) = 0;
    /// Takes back a report that has become untrue.
    virtual void withdraw(const QString &message) = 0;
};

// Errors raised by event handlers are shown from the event loop, never from inside the
// handler: a box opened inside a timer or serial-port slot would freeze that source
// until dismissed. One box is open at a time; an error that repeats while its box is
// open is counted into that box, other errors wait their turn.
class ErrorReporter : public QObject, public Reports
{
    Q_OBJECT
public:
    static ErrorReporter *instance();

    void report(const QString &message) override;
    /// Dropped if still waiting, its box closed if open.
    void withdraw(const QString &message) override;

private:
    explicit ErrorReporter(QObject *parent = nullptr);
    void scheduleNext();
    void showNext();

    struct Pending
    {
        QString message;
        int repeats = 0;
    };
    QList<Pending> m_pending;
    QPointer<QMessageBox> m_openBox;
    Pending m_shown;
    bool m_scheduled = false;
};

/// Runs an event handler's body; an error it raises is reported instead of escaping
/// into Qt's event dispatch, which must never see an exception.
void runGuarded(const std::function<void()> &body) noexcept;

/// Wraps a handler taking no arguments for use in connect().
template <typename Handler> auto guarded(Handler handler)
{
    return [handler = std::move(handler)]() { runGuarded(handler); };
}
