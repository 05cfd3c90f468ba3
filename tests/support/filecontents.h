#pragma once

#include <QFile>

/// What the file at `path` holds, empty when it can't be read.
inline QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
