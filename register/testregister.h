#ifndef TESTREGISTER_H
#define TESTREGISTER_H

#include "result.h"
#include "testrecord.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The test register: one CSV line per saved test beside the reports, for
// spreadsheets. The history itself is in the database; the register is read
// only to be imported into it. No window in here.
namespace TestRegister {

inline constexpr char FileName[] = "test-register.csv";

// The register in the report folder.
QString path(const QString &folder);

// The column titles, and a test's fields in the same order. The verdicts,
// the beacon ID, the report's file name and the test record's result are
// written for whoever reads the register in a spreadsheet; reading back works
// them out anew.
QStringList header();
QStringList fields(const TestRecord &record);

// A field as a spreadsheet reads it safely: an apostrophe before anything a
// spreadsheet could run as a formula, and before a leading apostrophe, so that
// reading back is exact; a plain decimal number stays a number.
QString spreadsheetSafe(const QString &value);
// The field as it was before spreadsheetSafe.
QString fromSpreadsheetSafe(const QString &field);

// The fields as one CSV line in UTF-8, ended by CR LF.
QByteArray csvLine(const QStringList &fields);

// A new register's first bytes: the byte-order mark and the header.
QByteArray start();

// Appends the test's line to the register in folder, after the byte-order
// mark and the header when the register is new, and has it on the disk
// before it returns. A register that is not UTF-8 text is left alone. The
// register is as it was when it could not be done.
Done append(const QString &folder, const TestRecord &record);

// What a reading found besides the tests.
struct Reading
{
    // Each damaged line that was left out: "file, line N: what is wrong".
    QStringList skipped;
    // What a spreadsheet's save did to the file, in words, such as "no
    // byte-order mark" or "dates rewritten, such as 12/31/2025 on line 4".
    QStringList spreadsheetSigns;
};

// How far a reading has come, in bytes of the file; false stops the reading.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// Whether the file at path can be read as a register of this program: there,
// UTF-8, and its first line the header of one (then a reading fails only on
// what it is handed on to).
Done check(const QString &path);

// Reads the register at path line by line, oldest first, for an import: each
// test goes to take, which stops the reading by returning false; each damaged
// line is skipped and named. Fails when the file cannot be read, is no
// register of this program at all (the reason names the file), or take
// stopped it.
using Take = std::function<bool(const TestRecord &)>;
Done read(const QString &path, const Take &take, Reading &reading, const Progress &progress = {});

} // namespace TestRegister

#endif // TESTREGISTER_H
