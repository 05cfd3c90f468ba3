// A stand-in until the real reader lands: the program's own files, unquoted but for the
// event, as written here. Replaced whole by the reader.
#include "recording/csvreader.h"

#include <QDateTime>
#include <QFile>

RecordingRead readRecording(const QString &path)
{
    QFile file(path);
    RecordingRead read;
    if (!file.open(QIODevice::ReadOnly)) {
        read.refusal = file.errorString();
        return read;
    }
    return readRecording(file);
}

RecordingRead readRecording(QIODevice &device)
{
    RecordingRead read;
    const QList<QByteArray> lines = device.readAll().split('\n');
    const char separator = lines.value(0).contains(';') ? ';' : ',';
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        QList<QByteArray> fields = lines[i].split(separator);
        bool ok = fields.size() >= 6;
        const double seconds = ok ? fields[2].replace(',', '.').toDouble(&ok) : 0;
        const int reading = ok ? fields[4].toInt(&ok) : 0;
        if (!ok || reading < 0 || reading > 1023) {
            if (read.skippedRows++ == 0)
                read.firstSkippedLine = i + 1;
            continue;
        }
        const QDateTime wall = QDateTime::fromString(QString::fromLatin1(fields[1]), Qt::ISODateWithMs);
        read.samples.push_back({std::int64_t(seconds * 1e9 + 0.5), wall.toMSecsSinceEpoch(),
                                std::uint16_t(reading), std::uint8_t(fields[3].toInt())});
        const QByteArray event = fields.size() > 6 ? lines[i].split(separator).mid(6).join(separator) : "";
        if (!event.isEmpty())
            read.events.push_back({read.samples.size() - 1, QString::fromUtf8(event).remove('"')});
    }
    if (read.samples.empty())
        read.refusal = QStringLiteral("nenhuma linha de amostras pôde ser lida");
    return read;
}
