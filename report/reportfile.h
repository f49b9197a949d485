#ifndef REPORTFILE_H
#define REPORTFILE_H

#include "result.h"

#include <QByteArray>
#include <QString>

QT_BEGIN_NAMESPACE
class QFileDevice;
QT_END_NAMESPACE

// Where a report goes and how it gets there safely. No window in here.
namespace ReportFile {

inline constexpr char FolderName[] = "VESTRA_Reports";

// The report folder under the first Documents location; empty when the
// platform names no Documents location at all.
QString folder();

// Creates the report folder when it is missing. A failure shows later, when
// a report cannot be written.
void makeFolder();

// A copy of text without the characters that no file name may hold: the
// nine that Windows refuses and every control character.
QString removeInvalidFileChars(QString text);

// Whether name (a file's name, no folder) fits the file system with extra
// more units beside it: most allow 255 bytes to a name, NTFS 255 UTF-16 units.
bool nameFits(const QString &name, int extra = 0);

// manufacturer model serial.pdf, each field cleaned, nothing trimmed; a
// suffix such as a date goes before the extension.
QString fileName(const QString &manufacturer, const QString &model, const QString &serialNo,
                 const QString &suffix = QString());
// folder/ and that file name.
QString path(const QString &folder, const QString &manufacturer, const QString &model,
             const QString &serialNo);

// Opens the file for reading and writing and closes it at once: refused,
// in the system's words, when a viewer holds it locked, or the folder is
// missing or not writable. Creates the file, empty, when it was not there.
Done canWrite(const QString &path);

// Writes all of data to a file opened unbuffered. A short write gives no
// reason; the try at the rest that fails does, in file's errorString().
bool writeAll(QFileDevice &file, const QByteArray &data);

// Writes data to path. An earlier file stays whole until the new one is
// complete, wherever the folder lets a new file be made beside it; in a folder
// that does not, a writable earlier file is overwritten in place. Refused
// when the new file could not be written whole.
Done save(const QString &path, const QByteArray &data);

} // namespace ReportFile

#endif // REPORTFILE_H
