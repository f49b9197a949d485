#ifndef REPRINTINTO_H
#define REPRINTINTO_H

#include "reprint.h"
#include "testhistory.h"

// The default file name of a stored test's reprint: its day, and as much
// more of its moment as keeps it apart from every other test of that day
// whose reprint would otherwise bear the same name.
Result<QString> reprintFileName(const TestHistory &history, const StoredTest &test);

// The reprint of test number into folder (made when missing) under its
// default name.
Result<QString> reprintInto(const TestHistory &history, qint64 number, const QString &folder,
                            bool replace);

#endif // REPRINTINTO_H
