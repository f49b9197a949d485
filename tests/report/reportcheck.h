#ifndef REPORTCHECK_H
#define REPORTCHECK_H

#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// Reports read back with poppler, registers read back as CSV, a home of their own.
namespace ReportCheck {

// Points HOME at dir with an empty Documents folder in it; run as root, goes on
// as an ordinary user, for whom a read-only file is read-only.
void useHome(const QTemporaryDir &dir);
// Runs one of poppler's tools, program first, and returns what it printed.
QString poppler(const QStringList &command);
// A line of the layout text holds label, blanks, value; or value alone.
bool hasRow(const QString &layoutText, const QString &label, const QString &value);
// RFC 4180 rows, read independently of the writer; none for a line not ended by CR LF.
QList<QStringList> readCsv(const QByteArray &bytes);
QByteArray contents(const QString &path);
// Runs f while no file of this process may grow beyond bytes (-1: no limit),
// as on a full disk.
void onFullDisk(qint64 bytes, const std::function<void()> &f);

} // namespace ReportCheck

#endif // REPORTCHECK_H
