#pragma once

#include <QString>

// The system's reasons for its error numbers, in the program's language, whatever the
// desktop's: strerror() and Qt's texts follow the user's locale, and in most locales
// they are English inside a Portuguese sentence.

/// The reason for `error` (an errno value), lower case and without a final stop, for the
/// end of a sentence: "permissão negada". An error number not in the table is named by
/// its number.
QString systemReason(int error);

/// The errno value whose system text (strerror(), as Qt quotes it in its errorString())
/// is `text`; 0 when the text is none of them (one of Qt's own).
int errorNumberOf(const QString &text);
