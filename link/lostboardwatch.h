#pragma once

#include "devices/portdevice.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

// Looks for a lost board to come back, and tells only of a device it can tell is the
// same board. A device node's name proves nothing: a pseudo-terminal's number goes to
// the next program that asks for one, and /dev/ttyUSB0 to whichever adapter enumerates
// first. So the board is recognised by
//  - its USB identity (vendor, product, serial number; where the adapter has none, its
//    place), as the system describes it (devices/), at whatever name it comes back;
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

    /// `roots` are where the system describes its devices (tests give their own trees).
    explicit LostBoardWatch(QObject *parent = nullptr, MachineRoots roots = {});

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
    MachineRoots m_roots;
    QString m_path;
    std::optional<QString> m_identity;
    QList<LinkOnTheWay> m_links;
    bool m_linkRemade = false;
    QTimer m_timer;
};
