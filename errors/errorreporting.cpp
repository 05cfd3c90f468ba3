#include "errors/errorreporting.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace {

const QString kErrorTitle = QStringLiteral("Erro");

constexpr int kLongestUnbrokenRun = 40;

// A box wraps its text at spaces only: a long path or port name would run off its edge.
// Such a word may break after a slash, or anywhere once it runs long.
QString breakable(const QString &text)
{
    const QChar mayBreak(0x200B); // zero-width space
    QStringList words = text.split(QLatin1Char(' '));
    for (QString &word : words) {
        if (word.size() <= kLongestUnbrokenRun)
            continue;
        QString broken;
        int run = 0;
        for (const QChar c : std::as_const(word)) {
            broken += c;
            if (++run >= kLongestUnbrokenRun || c == QLatin1Char('/')) {
                broken += mayBreak;
                run = 0;
            }
        }
        word = broken;
    }
    return words.join(QLatin1Char(' '));
}

QMessageBox *makeErrorBox(const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Critical, kErrorTitle, QString(), QMessageBox::Ok,
                                QApplication::activeWindow());
    box->setTextFormat(Qt::PlainText); // a port name is the user's, never markup
    box->setText(breakable(text));
    return box;
}

QString boxText(const QString &message, int repeats)
{
    if (repeats <= 0)
        return message;
    return message + QStringLiteral("\n\n(O mesmo erro se repetiu mais ") + QString::number(repeats)
           + QStringLiteral(" vez(es).)");
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

void ErrorReporter::report(const QString &message)
{
    if (m_openBox && m_shown.message == message) {
        ++m_shown.repeats;
        m_openBox->setText(breakable(boxText(m_shown.message, m_shown.repeats)));
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
