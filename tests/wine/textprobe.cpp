// For the tests under Wine only, where no screen reader's interface reads the window:
// loaded into the program as a Qt generic plugin (QT_QPA_GENERIC_PLUGINS=textprobe), this
// writes what the program shows, four times a second, to the file SENSOR_SHOWN names. One
// line per visible window ("window" and its title), then per label, button and field in it
// ("label", "button", "field" and its text), tab-separated, the lines in a text broken at
// its ends. Nothing else of the program is touched.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGenericPlugin>
#include <QLabel>
#include <QSaveFile>
#include <QTimer>

namespace {

QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QByteArray shown()
{
    QStringList lines;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        lines << QStringLiteral("window\t") + window->windowTitle();
        for (QWidget *widget : window->findChildren<QWidget *>()) {
            if (!widget->isVisible() || widget->window() != window)
                continue; // a box over the window is a window of its own
            if (auto *label = qobject_cast<QLabel *>(widget))
                lines << QStringLiteral("label\t") + oneLine(label->text());
            else if (auto *button = qobject_cast<QAbstractButton *>(widget))
                lines << QStringLiteral("button\t") + button->text();
            else if (auto *field = qobject_cast<QComboBox *>(widget))
                lines << QStringLiteral("field\t") + field->currentText();
        }
    }
    return (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

} // namespace

class TextProbe : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "textprobe.json")
public:
    QObject *create(const QString &, const QString &) override
    {
        auto *timer = new QTimer(this);
        connect(timer, &QTimer::timeout, timer, [] {
            QSaveFile file(qEnvironmentVariable("SENSOR_SHOWN"));
            if (file.open(QIODevice::WriteOnly) && file.write(shown()) >= 0)
                file.commit();
        });
        timer->start(250);
        return timer;
    }
};

#include "textprobe.moc"
