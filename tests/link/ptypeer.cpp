#include "ptypeer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

PtyPeer::PtyPeer()
{
    master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0)
        return;
    if (grantpt(master) != 0 || unlockpt(master) != 0) {
        ::close(master);
        master = -1;
        return;
    }
    path = QString::fromLocal8Bit(ptsname(master));
}

PtyPeer::~PtyPeer()
{
    if (master >= 0)
        ::close(master);
}

void PtyPeer::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            return;
        done += n;
    }
}

QByteArray PtyPeer::read(int waitMs)
{
    QByteArray bytes;
    QDeadlineTimer deadline(waitMs);
    // Serve the program's event loop while waiting: it writes from there.
    do {
        QCoreApplication::processEvents();
        char buffer[512];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, n);
            deadline.setRemainingTime(30); // gather the rest of a burst
            continue;
        }
        QThread::msleep(5);
    } while (!deadline.hasExpired());
    return bytes;
}
