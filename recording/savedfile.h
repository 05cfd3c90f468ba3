#pragma once

#include "acquisition/samplestore.h"

#include <QIODevice>
#include <QLocale>
#include <QString>

#include <functional>

/// Writes the samples `store` holds, with their events, to a CSV file at `path` in one go,
/// each numbered as in the session (from 1), so that samples dropped show as a jump: the file there
/// is replaced only once the new one is complete, never left half-written. Returns an empty string,
/// or the message telling the user why it could not be saved.
QString saveSamples(const QString &path, const SampleStore &store, const QLocale &locale);

/// Saves what `write` puts in a file, the same way; the message's words for what is
/// saved are `what` ("os dados", "a imagem").
QString saveAtOnce(const QString &path, const QString &what,
                   const std::function<bool(QIODevice &)> &write);
