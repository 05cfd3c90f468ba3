#include "recording/savedfile.h"

#include "errors/systemreason.h"
#include "recording/csvformat.h"

#include <QSaveFile>

#include <cerrno>

QString saveAtOnce(const QString &path, const QString &what,
                   const std::function<bool(QIODevice &)> &write)
{
    QSaveFile file(path);
    errno = 0;
    const bool saved = file.open(QIODevice::WriteOnly) && write(file) && file.commit();
    if (saved)
        return {};
    const QString reason = failureReason(errno, file.errorString());
    return QStringLiteral("Não foi possível salvar %1 em “%2”: %3. Nenhum arquivo que já "
                          "estivesse lá foi alterado. Escolha outro arquivo ou outra pasta e "
                          "tente de novo.")
        .arg(what, path, reason);
}

QString saveSamples(const QString &path, const SampleStore &store, const QLocale &locale)
{
    return saveAtOnce(path, QStringLiteral("os dados"), [&](QIODevice &file) {
        CsvFormat format(locale);
        QByteArray rows = format.header();
        const qint64 firstNs = store.isEmpty() ? 0 : store.at(0).steadyNs;
        auto event = store.events().begin(); // the next event, in the samples' order
        for (qint64 n = 0; n < store.count(); n = store.nextHeld(n)) {
            const Sample sample = store.at(n);
            const bool marked = event != store.events().end() && event->first == n;
            format.appendRow(rows, n + 1, sample, sample.steadyNs - firstNs,
                             marked ? format.eventField((event++)->second) : QByteArray());
            if (rows.size() < 64 * 1024)
                continue;
            if (file.write(rows) != rows.size())
                return false;
            rows.clear();
        }
        return file.write(rows) == rows.size();
    });
}
