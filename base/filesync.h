#ifndef FILESYNC_H
#define FILESYNC_H

#include <QString>

QT_BEGIN_NAMESPACE
class QFileDevice;
QT_END_NAMESPACE

// What the system holds back of a file written: flushed to the disk before a
// line or a test counts as kept. False, with errno set, when the disk did not
// take it.
namespace FileSync {

bool sync(QFileDevice &file);
// A file made or renamed in folder keeps its name after a power cut. Windows
// keeps names with the file's own flush.
bool syncFolder(const QString &folder);

} // namespace FileSync

#endif // FILESYNC_H
