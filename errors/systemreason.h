#pragma once

#include <QString>

// The system's reasons for its error numbers, in the program's language, whatever the
// desktop's: the system's texts, and Qt's, follow the user's language, and in most
// languages they are English inside a Portuguese sentence. The numbers are the system's
// own: errno values on Linux, GetLastError() codes on Windows.

/// The reason for `error`, lower case and without a final stop, for the end of a
/// sentence: "permissão negada". An error number not in the table is named by its number.
QString systemReason(int error);

/// The error number whose system text (as Qt quotes it in its errorString()) is `text`;
/// 0 when the text is none of them (one of Qt's own).
int errorNumberOf(const QString &text);

/// Why a file or device call failed, in the program's words: from `saved`, the errno the
/// call left (Linux's: Windows' calls leave none), else from the system's text Qt quotes
/// in `qtText`; Qt's own text when neither names a reason.
QString failureReason(int saved, const QString &qtText);

/// The system's numbers for a file or device that does not exist and for a wait that ran
/// out, for what Qt names only by its kind of error.
extern const int kNotFoundError;
extern const int kTimedOutError;
