#ifndef TESTREGISTER_H
#define TESTREGISTER_H

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// The test register: one CSV line per saved report, kept beside the reports,
// so that a beacon's earlier tests stay on record when its report is replaced.
// No window in here.
namespace TestRegister {

inline constexpr char FileName[] = "test-register.csv";

// One line of the register, each text as the report printed it.
struct Entry
{
    QDateTime time;
    QString vesselName;
    QString manufacturer;
    QString model;
    QString beaconSerialNo;
    QString beaconId;
    QString hexMessage;
    QString targetFrequency;
    QString measuredFrequency;
    QString frequencyVerdict;
    QString distressText;
    QString rfLevel;
    QString statusReading;
    QString statusVerdict;
    QString instrumentSerialNo;
    QString calibrationDue;
    QString companyName;
    QString testedBy;
    QString programVersion;
    QString reportFileName;
};

// The column titles, and an entry's fields in the same order.
QStringList header();
QStringList fields(const Entry &entry);

// ISO 8601 local time with its offset from UTC, such as 2026-03-01T14:05:09+01:00.
QString isoTime(const QDateTime &time);

// A field as a spreadsheet reads it safely: an apostrophe before a leading
// = + - @, so that it never runs as a formula; quoted when it holds a comma,
// a double quote or a line break, its double quotes doubled.
QString csvField(const QString &value);

// The fields as one CSV line in UTF-8, ended by CR LF.
QByteArray csvLine(const QStringList &fields);

// Appends the entry's line to the register in folder, after the byte-order
// mark and the header when the register is new. Empty when done, otherwise
// why not; the register is then as it was.
QString append(const QString &folder, const Entry &entry);
QString append(const QString &folder, const QStringList &fields);

} // namespace TestRegister

#endif // TESTREGISTER_H
