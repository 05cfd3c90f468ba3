#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>
#include <utility>

// Looks for a lost board to come back, and tells only of a device it can tell is the
// same board. A device node's name proves nothing: a pseudo-terminal's number goes to
// the next program that asks for one, and /dev/ttyUSB0 to whichever adapter enumerates
// first. So the board is recognised by
//  - its USB identity (vendor, product, serial number, interface; where the adapter has
//    no serial number, the USB socket too), read from sysfs, at whatever node it
//    comes back;
//  - or, for a device without one, a symbolic link on the way to it that its keeper
//    (udev's /dev/serial/by-id, a simulator) has re-made for the board: it went away,
//    or a new link (made later than the old one) stands where the old one was.
// Anything else, a pseudo-terminal by its number or a built-in port, is never taken
// for the board that was lost.
class LostBoardWatch : public QObject
{
    Q_OBJECT
public:
    static constexpr int kLookIntervalMs = 1000;

    /// `sysRoot` and `devRoot` are where sysfs and the device nodes are (tests give their
    /// own trees).
    explicit LostBoardWatch(QObject *parent = nullptr, QString sysRoot = QStringLiteral("/sys"),
                            QString devRoot = QStringLiteral("/dev"));

    /// Notes how to recognise the board just opened at `path`.
    void remember(const QString &path);
    /// Whether the board last remembered could be recognised when it comes back.
    bool canRecognise() const;

    /// Looks once a second until the board is back (boardBack) or stop() is called.
    void start();
    void stop();

    /// Looks once: the device to open if the board is back.
    std::optional<QString> lookOnce();

signals:
    void boardBack(const QString &device);
    /// Each time it looks, found or not.
    void looked();

private:
    std::optional<QString> usbIdentityOfNode(const QString &path) const;
    std::optional<QString> nodeWithIdentity(const QString &identity) const;
    struct Link
    {
        QString path;
        std::pair<qint64, qint64> made; // when it was made (its status last changed): s, ns
    };
    static QList<Link> linksOnTheWay(const QString &path);

    QString m_sysRoot;
    QString m_devRoot;
    QString m_path;
    std::optional<QString> m_identity;
    QList<Link> m_links;
    bool m_linkRemade = false;
    QTimer m_timer;
};
