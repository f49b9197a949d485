#ifndef SYSTEMMENU_H
#define SYSTEMMENU_H

#include <QtGlobal>

// The "About..." entry of the window's system menu (Windows).
namespace SystemMenu {

constexpr unsigned AboutCommand = 0x0010;
constexpr unsigned SysCommandMessage = 0x0112; // WM_SYSCOMMAND

// Windows keeps the four low bits of a system command's wParam for itself.
constexpr bool isAboutCommand(unsigned message, quintptr wParam)
{
    return message == SysCommandMessage && (wParam & 0xFFF0) == AboutCommand;
}

} // namespace SystemMenu

#ifdef Q_OS_WIN
#include <qt_windows.h>
// Appends a separator and "About..." to the window's system menu, if it has one.
void addAboutToSystemMenu(HWND window);
#endif

#endif // SYSTEMMENU_H
