#include "systemmenu.h"

#ifdef Q_OS_WIN
void addAboutToSystemMenu(HWND window)
{
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu)
        return;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, SystemMenu::AboutCommand, "About...");
}
#endif
