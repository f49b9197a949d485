#include "filesync.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <io.h>
#include <qt_windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace FileSync {

bool sync(QFileDevice &file)
{
    if (!file.flush())
        return false;
#ifdef Q_OS_WIN
    return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle())));
#else
    return ::fsync(file.handle()) == 0;
#endif
}

bool syncFolder(const QString &folder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder);
    return true;
#else
    const int handle = ::open(QFile::encodeName(folder).constData(), O_RDONLY);
    const bool synced = handle >= 0 && ::fsync(handle) == 0;
    if (handle >= 0)
        ::close(handle);
    return synced;
#endif
}

} // namespace FileSync
