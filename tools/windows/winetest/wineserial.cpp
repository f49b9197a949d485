#include "wineserial.h"

#include <QtGlobal>

#include <qt_windows.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace WineSerial {

namespace {

// One pending EV_RXCHAR wait, served by its own thread.
struct Wait
{
    HANDLE port;
    DWORD *mask;
    OVERLAPPED *overlapped;
    HANDLE stop;
    HANDLE completionPort;
    ULONG_PTR key;
};

struct Port
{
    HANDLE completionPort = nullptr;
    ULONG_PTR key = 0;
    HANDLE thread = nullptr;
    HANDLE stop = nullptr;
};

std::mutex mutex;
std::map<HANDLE, Port> ports;

DWORD WINAPI serveWait(void *argument)
{
    const std::unique_ptr<Wait> wait(static_cast<Wait *>(argument));
    while (WaitForSingleObject(wait->stop, 1) == WAIT_TIMEOUT) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(wait->port, &errors, &status))
            return 1;
        if (status.cbInQue == 0)
            continue;
        // As Windows ends a wait: mask and status set, event signalled,
        // packet on the handle's completion port.
        *wait->mask = EV_RXCHAR;
        wait->overlapped->Internal = 0;
        wait->overlapped->InternalHigh = sizeof(DWORD);
        if (wait->overlapped->hEvent)
            SetEvent(wait->overlapped->hEvent);
        if (wait->completionPort)
            PostQueuedCompletionStatus(wait->completionPort, sizeof(DWORD), wait->key,
                                       wait->overlapped);
        return 0;
    }
    return 0; // cancelled: Qt has dropped its notifier already
}

// With the lock held.
void stopWait(Port &port)
{
    if (!port.thread)
        return;
    SetEvent(port.stop);
    WaitForSingleObject(port.thread, INFINITE);
    CloseHandle(port.thread);
    CloseHandle(port.stop);
    port.thread = port.stop = nullptr;
}

BOOL WINAPI waitCommEvent(HANDLE handle, DWORD *mask, OVERLAPPED *overlapped)
{
    if (!overlapped)
        return WaitCommEvent(handle, mask, overlapped);
    const std::lock_guard lock(mutex);
    Port &port = ports[handle];
    stopWait(port); // the one before, ended already
    port.stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    auto *wait = new Wait{handle, mask, overlapped, port.stop, port.completionPort, port.key};
    port.thread = CreateThread(nullptr, 0, serveWait, wait, 0, nullptr);
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
}

HANDLE WINAPI createIoCompletionPort(HANDLE file, HANDLE existing, ULONG_PTR key, DWORD threads)
{
    const HANDLE result = CreateIoCompletionPort(file, existing, key, threads);
    if (result && file != INVALID_HANDLE_VALUE) {
        const std::lock_guard lock(mutex);
        ports[file].completionPort = result;
        ports[file].key = key;
    }
    return result;
}

BOOL WINAPI cancelIo(HANDLE handle)
{
    {
        const std::lock_guard lock(mutex);
        const auto it = ports.find(handle);
        if (it != ports.end())
            stopWait(it->second);
    }
    return CancelIo(handle);
}

BOOL WINAPI closeHandle(HANDLE handle)
{
    {
        const std::lock_guard lock(mutex);
        const auto it = ports.find(handle);
        if (it != ports.end()) {
            stopWait(it->second);
            ports.erase(it);
        }
    }
    return CloseHandle(handle);
}

// Points the module's imports of these kernel32 functions at ours; returns
// how many it found.
int patchImports(HMODULE module)
{
    const struct
    {
        const char *name;
        void *function;
    } hooks[] = {{"WaitCommEvent", reinterpret_cast<void *>(&waitCommEvent)},
                 {"CreateIoCompletionPort", reinterpret_cast<void *>(&createIoCompletionPort)},
                 {"CancelIo", reinterpret_cast<void *>(&cancelIo)},
                 {"CloseHandle", reinterpret_cast<void *>(&closeHandle)}};
    auto *base = reinterpret_cast<BYTE *>(module);
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    int patched = 0;
    for (auto *dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
         dll->Name; ++dll) {
        if (_stricmp(reinterpret_cast<const char *>(base + dll->Name), "kernel32.dll") != 0)
            continue;
        auto *names = reinterpret_cast<IMAGE_THUNK_DATA *>(base + dll->OriginalFirstThunk);
        auto *slots = reinterpret_cast<IMAGE_THUNK_DATA *>(base + dll->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto *byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
            for (const auto &hook : hooks) {
                if (std::strcmp(reinterpret_cast<const char *>(byName->Name), hook.name) != 0)
                    continue;
                DWORD was = 0;
                VirtualProtect(&slots->u1.Function, sizeof(void *), PAGE_READWRITE, &was);
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(hook.function);
                VirtualProtect(&slots->u1.Function, sizeof(void *), was, &was);
                ++patched;
            }
        }
    }
    return patched;
}

} // namespace

void install()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    const HMODULE serial = GetModuleHandleW(L"Qt6SerialPort.dll");
    const int patched = serial ? patchImports(serial) : 0;
    if (patched != 4)
        qWarning("vestrawinetest: %d of the 4 serial imports taken over", patched);
}

} // namespace WineSerial
