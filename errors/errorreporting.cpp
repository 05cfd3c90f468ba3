#include "errors/errorreporting.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace {

const QString kErrorTitle = QStringLiteral("Erro");

QMessageBox *makeErrorBox(const QString &text)
{
    return new QMessageBox(QMessageBox::Critical, kErrorTitle, text, QMessageBox::Ok,
                           QApplication::activeWindow());
}

} // namespace

void ShowException(const Exception &error)
{
    // The box's parent may go while it is open; the pointer then knows.
    QPointer<QMessageBox> box = makeErrorBox(error.Message());
    box->exec();
    delete box.data();
}

ErrorReporter::ErrorReporter(QObject *parent)
    : QObject(parent)
{}

ErrorReporter *ErrorReporter::instance()
{
    static ErrorReporter *reporter = new ErrorReporter(qApp);
    return reporter;
}

QString ErrorReporter::boxText(const QString &message, int repeats)
{
    if (repeats <= 0)
        return message;
    return message + QStringLiteral("\n\n(O mesmo erro repetiu-se mais %1 vez(es).)").arg(repeats);
}

void ErrorReporter::report(const QString &message)
{
    if (m_openBox && m_shown.message == message) {
        ++m_shown.repeats;
        m_openBox->setText(boxText(m_shown.message, m_shown.repeats));
        return;
    }
    for (Pending &pending : m_pending) {
        if (pending.message == message) {
            ++pending.repeats;
            return;
        }
    }
    m_pending.append({message, 0});
    scheduleNext();
}

void ErrorReporter::withdraw(const QString &message)
{
    m_pending.removeIf([&](const Pending &pending) { return pending.message == message; });
    if (m_openBox && m_shown.message == message)
        m_openBox->done(QMessageBox::Ok);
}

void ErrorReporter::scheduleNext()
{
    if (m_scheduled || m_openBox || m_pending.isEmpty())
        return;
    m_scheduled = true;
    QTimer::singleShot(0, this, &ErrorReporter::showNext);
}

void ErrorReporter::showNext()
{
    m_scheduled = false;
    if (m_openBox || m_pending.isEmpty())
        return;
    m_shown = m_pending.takeFirst();
    QMessageBox *box = makeErrorBox(boxText(m_shown.message, m_shown.repeats));
    m_openBox = box;
    box->exec();
    delete m_openBox.data();
    m_shown = {};
    scheduleNext();
}

void runGuarded(const std::function<void()> &body) noexcept
{
    try {
        body();
    } catch (const Exception &error) {
        ErrorReporter::instance()->report(error.Message());
    } catch (const std::exception &error) {
        ErrorReporter::instance()->report(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ErrorReporter::instance()->report(QString());
    }
}
