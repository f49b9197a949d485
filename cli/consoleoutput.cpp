#include "consoleoutput.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <io.h>
#endif

namespace ConsoleOutput {

#ifdef Q_OS_WIN
namespace {

HANDLE lookUpConsole(int fd)
{
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

// The console behind stream, or null for a pipe, a file or no handle at all.
// Standard output and error are looked up once: vestra-decode writes each
// message on its own.
HANDLE consoleOf(std::FILE *stream)
{
    const int fd = _fileno(stream);
    if (fd < 0)
        return nullptr;
    if (fd > 2)
        return lookUpConsole(fd);
    static HANDLE consoles[3];
    static bool known[3];
    if (!known[fd]) {
        consoles[fd] = lookUpConsole(fd);
        known[fd] = true;
    }
    return consoles[fd];
}

bool writeConsole(HANDLE console, std::FILE *stream, const QString &text)
{
    // Whatever the C library still holds goes out first, in its place.
    std::fflush(stream);
    const auto *units = reinterpret_cast<const wchar_t *>(text.utf16());
    qsizetype left = text.size();
    while (left > 0) {
        // The console takes a bounded amount at a time.
        const DWORD chunk = DWORD(qMin<qsizetype>(left, 8192));
        DWORD written = 0;
        if (!WriteConsoleW(console, units, chunk, &written, nullptr) || written == 0)
            return false;
        units += written;
        left -= written;
    }
    return true;
}

} // namespace
#endif

bool writeUtf8(std::FILE *stream, const QByteArray &utf8)
{
#ifdef Q_OS_WIN
    if (HANDLE console = consoleOf(stream))
        return writeConsole(console, stream, QString::fromUtf8(utf8));
#endif
    return std::fwrite(utf8.constData(), 1, std::size_t(utf8.size()), stream) ==
           std::size_t(utf8.size());
}

bool write(std::FILE *stream, const QString &text)
{
#ifdef Q_OS_WIN
    if (HANDLE console = consoleOf(stream))
        return writeConsole(console, stream, text);
#endif
    return writeUtf8(stream, text.toUtf8());
}

} // namespace ConsoleOutput
