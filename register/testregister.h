#ifndef TESTREGISTER_H
#define TESTREGISTER_H

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
// the beacon ID and the report's file name are written for whoever reads the
// register in a spreadsheet; reading back works them out anew.
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
// mark and the header when the register is new. Empty when done, otherwise
// why not; the register is then as it was.
QString append(const QString &folder, const TestRecord &record);
QString append(const QString &folder, const QStringList &fields);

// Reads the register at path line by line, oldest first, for an import: each
// test goes to take, which stops the reading by returning false; each damaged
// line is skipped and named in skipped ("file, line N: what is wrong"). False
// when the file is no register of this program at all, or cannot be read
// (error names the file and why), or take stopped.
using Take = std::function<bool(const TestRecord &)>;
bool read(const QString &path, const Take &take, QStringList &skipped, QString &error);

} // namespace TestRegister

#endif // TESTREGISTER_H
