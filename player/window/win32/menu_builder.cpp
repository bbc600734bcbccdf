// Building and showing menus.
#include "player/window/win32/menu_builder.h"

namespace tumbor::window::win32 {

HMENU buildMenu(const std::vector<MenuEntry>& entries, const IsChecked& isChecked, bool bar) {
    HMENU menu = bar ? CreateMenu() : CreatePopupMenu();
    for (const MenuEntry& entry : entries) {
        if (!entry.submenu.empty()) {
            AppendMenuA(menu, MF_POPUP | MF_STRING,
                        reinterpret_cast<UINT_PTR>(buildMenu(entry.submenu, isChecked)), entry.text);
            continue;
        }
        UINT flags = MF_STRING;
        if (isChecked && isChecked(entry.command)) flags |= MF_CHECKED;
        AppendMenuA(menu, flags, static_cast<UINT_PTR>(entry.command), entry.text);
    }
    return menu;
}

MenuCommand trackMenu(HWND owner, const std::vector<MenuEntry>& entries, const IsChecked& isChecked,
                      POINT screen, bool rightButton) {
    HMENU menu = buildMenu(entries, isChecked);
    // The owner must be in front, or the menu does not close when clicking elsewhere.
    SetForegroundWindow(owner);
    const UINT flags =
        TPM_LEFTALIGN | TPM_RETURNCMD | TPM_NONOTIFY | (rightButton ? TPM_RIGHTBUTTON : TPM_LEFTBUTTON);
    const int chosen = TrackPopupMenu(menu, flags, screen.x, screen.y, 0, owner, nullptr);
    DestroyMenu(menu);
    PostMessageA(owner, WM_NULL, 0, 0);
    return static_cast<MenuCommand>(chosen);
}

}  // namespace tumbor::window::win32
