#pragma once

#include "acquisition/sample.h"

#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

class QIODevice;

/// What was read of a data file: its samples and events, the rows that could not be read,
/// or why the file was refused.
struct RecordingRead
{
    // In file order. steadyNs is tempo_s as written (a file whose first rows were deleted
    // starts later than 0); wallMs is instante read as the local time of this machine (0
    // where the row has none, or one that is not a date and time); channel is 0 where
    // canal is empty.
    std::vector<Sample> samples;
    // Index into samples, and the text, in file order.
    std::vector<std::pair<std::size_t, QString>> events;
    std::int64_t skippedRows = 0;      // rows that could not be read
    std::int64_t firstSkippedLine = 0; // 1-based line in the file of the first of them (0: none)
    // Non-empty when the file is refused (unreadable, not this program's, no row
    // readable): the reason, in Portuguese, for the end of a sentence.
    QString refusal;
};

/// Reads a CSV this program wrote, in either dialect (';' and decimal commas, or ',' and
/// dots, told from the header and the numbers, not from this machine's locale), or such a
/// file re-saved by a spreadsheet: any quoting, trailing separators, a BOM, CRLF or CR
/// line ends, numbers with more or fewer decimals and either mark, instante as
/// 2026-12-07T14:30:05.123, 2026-12-07 14:30:05 or 07/12/2026 14:30 (day first where
/// fields are separated by ';', month first where by ','), with or without seconds and
/// milliseconds. Columns are found by name; evento is optional.
///
/// A row is read only when it holds what the program writes: tempo_s (a row without it has
/// no place in time), no earlier than the row before, leitura a whole 0..1023, canal empty
/// or 1..5, and tensao_V leitura's voltage to the decimals written (leitura, exact, is
/// taken; a row whose two disagree is not trusted). Other rows are skipped and counted;
/// empty rows are passed over. A row broken by a quote left open is its first line only:
/// reading goes on at its next line. Never writes; reads the file a chunk at a time.
RecordingRead readRecording(const QString &path);
RecordingRead readRecording(QIODevice &device);
