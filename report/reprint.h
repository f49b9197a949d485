#ifndef REPRINT_H
#define REPRINT_H

#include "result.h"
#include "testrecord.h"

#include <QString>

// A past test's report made again from the history, as `vestra-report
// reprint` and the history window make it. No window in here.

// How much of a test's moment its reprint's name carries, as much as keeps
// it apart from the other tests of its day: the date; its time to the second;
// the offset from UTC as well (the hour repeated when the clocks go back);
// and at last the test's number.
enum class ReprintNaming { Day, Time, Offset, Number };

// The file name of a stored test's reprint: the report's name rules plus
// the test's date, and what naming adds.
QString reprintFileName(const StoredTest &test, ReprintNaming naming);

// Why a file could not be written at path, in the words of what a technician
// can mend: a missing folder, a read-only one or file, a name too long, a
// folder in the file's place; else fallback, the system's own words.
QString writeFailureReason(const QString &path, const QString &fallback);

// Writes the reprint of test to path; an existing file only when replace.
// The file's absolute path as the platform writes it, or why not, naming it.
Result<QString> reprintTo(const StoredTest &test, const QString &path, bool replace);

#endif // REPRINT_H
