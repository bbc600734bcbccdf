// The options sheet, dialog and tray steps of tumbor_driver (see options_steps.h).
#include "tests/e2e/win32/options_steps.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr UINT kTrayMessage = WM_USER + 1;

struct Search {
    DWORD process;
    std::string caption;
    HWND found;
};

BOOL CALLBACK findEnabledWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char caption[256] = "";
    GetWindowTextA(window, caption, sizeof caption);
    if (process != search->process || search->caption != caption || !IsWindowVisible(window) ||
        !IsWindowEnabled(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

// The player's visible, enabled top-level window with the caption, waited for up to 20 s.
HWND waitForDialog(HWND player, const std::string& caption) {
    Search search{0, caption, nullptr};
    GetWindowThreadProcessId(player, &search.process);
    for (int i = 0; i < 200 && !search.found; ++i) {
        EnumWindows(findEnabledWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(100);
    }
    return search.found;
}

std::string textOf(HWND control) {
    char text[1024] = "";
    SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string classOf(HWND control) {
    char name[64] = "";
    GetClassNameA(control, name, sizeof name);
    return name;
}

bool isCheckBox(HWND button) {
    const LONG type = GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_AUTOCHECKBOX || type == BS_CHECKBOX || type == BS_AUTORADIOBUTTON ||
           type == BS_RADIOBUTTON;
}

std::string listLines(HWND list, bool markSelected) {
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    std::string lines;
    for (int i = 0; i < count; ++i) {
        // Asked in UTF-16: Wine passes the ANSI text of another process's list box as one character.
        wchar_t wide[1024] = L"";
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
        char line[1024] = "";
        WideCharToMultiByte(CP_ACP, 0, wide, -1, line, sizeof line, nullptr, nullptr);
        lines += (i ? "|" : "") + std::string(line);
        if (markSelected && SendMessageA(list, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0) lines += "*";
    }
    return lines;
}

struct Sheet {
    HWND window = nullptr;
    HWND page = nullptr;
    HWND tabs = nullptr;
};

Sheet findSheet(HWND player) {
    Sheet sheet;
    sheet.window = waitForDialog(player, "Options");
    if (!sheet.window) return sheet;
    sheet.page = reinterpret_cast<HWND>(SendMessageA(sheet.window, PSM_GETCURRENTPAGEHWND, 0, 0));
    sheet.tabs = FindWindowExA(sheet.window, nullptr, "SysTabControl32", nullptr);
    return sheet;
}

void setControl(HWND page, int id, const std::string& value) {
    HWND control = GetDlgItem(page, id);
    const std::string kind = classOf(control);
    const int number = std::atoi(value.c_str());
    if (kind == "Button") {
        const bool wanted = value == "1";
        if (value == "click" ||
            (isCheckBox(control) && wanted != (SendMessageA(control, BM_GETCHECK, 0, 0) != 0)))
            PostMessageA(control, BM_CLICK, 0, 0);
    } else if (kind == "Edit") {
        SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
    } else if (kind == "ListBox") {
        SendMessageA(control, LB_SETCURSEL, static_cast<WPARAM>(number), 0);
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
    } else if (kind == "ComboBox") {
        SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(number), 0);
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
    } else if (kind == TRACKBAR_CLASSA) {
        SendMessageA(control, TBM_SETPOS, TRUE, number);
        SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, number),
                     reinterpret_cast<LPARAM>(control));
    }
}

std::string controlValue(HWND page, int id) {
    HWND control = GetDlgItem(page, id);
    const std::string kind = classOf(control);
    if (kind == "Button" && isCheckBox(control))
        return SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0";
    if (kind == "ListBox")
        return "list " + std::to_string(SendMessageA(control, LB_GETCURSEL, 0, 0)) + " " +
               listLines(control, false);
    if (kind == "ComboBox")  // the selected line only: Wine does not pass CB_GETLBTEXT between processes
        return "combo " + std::to_string(SendMessageA(control, CB_GETCURSEL, 0, 0)) + " of " +
               std::to_string(SendMessageA(control, CB_GETCOUNT, 0, 0)) + " " + textOf(control);
    if (kind == TRACKBAR_CLASSA) return std::to_string(SendMessageA(control, TBM_GETPOS, 0, 0));
    return textOf(control);
}

BOOL CALLBACK collectStatic(HWND child, LPARAM data) {
    auto* texts = reinterpret_cast<std::string*>(data);
    const std::string text = textOf(child);
    if (classOf(child) == "Static" && !text.empty()) *texts += (texts->empty() ? "" : " / ") + text;
    return TRUE;
}

void waitUntilGone(HWND window) {
    for (int i = 0; i < 200 && IsWindow(window); ++i) Sleep(100);
}

}  // namespace

bool runOptionsStep(HWND player, const std::string& step, const std::function<const char*()>& next) {
    if (step == "options") {
        const Sheet sheet = findSheet(player);
        std::printf("options %d %d\n", static_cast<int>(SendMessageA(sheet.tabs, TCM_GETITEMCOUNT, 0, 0)),
                    static_cast<int>(SendMessageA(sheet.tabs, TCM_GETCURSEL, 0, 0)));
    } else if (step == "options-page") {
        const int page = std::atoi(next());
        SendMessageA(findSheet(player).window, PSM_SETCURSEL, static_cast<WPARAM>(page), 0);
    } else if (step == "options-set") {
        const int id = std::atoi(next());
        const std::string value = next();
        setControl(findSheet(player).page, id, value);
    } else if (step == "options-get") {
        std::printf("value %s\n", controlValue(findSheet(player).page, std::atoi(next())).c_str());
    } else if (step == "options-apply") {
        PostMessageA(findSheet(player).window, PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
    } else if (step == "options-ok") {
        HWND sheet = findSheet(player).window;
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        waitUntilGone(sheet);
    } else if (step == "dialog") {
        const std::string caption = next();
        std::string texts;
        HWND dialog = waitForDialog(player, caption);
        if (dialog) EnumChildWindows(dialog, collectStatic, reinterpret_cast<LPARAM>(&texts));
        std::printf("dialog %s: %s\n", dialog ? caption.c_str() : "(none)", texts.c_str());
    } else if (step == "dialog-list") {
        HWND dialog = waitForDialog(player, next());
        std::printf("lines %s\n", listLines(GetDlgItem(dialog, std::atoi(next())), true).c_str());
    } else if (step == "dialog-select") {
        HWND dialog = waitForDialog(player, next());
        const int id = std::atoi(next()), line = std::atoi(next());
        const bool on = std::atoi(next()) != 0;
        SendDlgItemMessageA(dialog, id, LB_SETSEL, on ? TRUE : FALSE, line);
    } else if (step == "dialog-press") {
        HWND dialog = waitForDialog(player, next());
        const int id = std::atoi(next());
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    } else if (step == "tray") {
        const int id = std::atoi(next());
        const std::string button = next();
        PostMessageA(player, kTrayMessage, static_cast<WPARAM>(id),
                     button == "right" ? WM_RBUTTONDOWN : WM_LBUTTONDOWN);
    } else if (step == "tray-window") {
        // Without a task bar Wine shows the icons in a window of their own.
        HWND tray = FindWindowA(nullptr, "Wine System Tray");
        if (!tray) tray = FindWindowA("Shell_TrayWnd", nullptr);
        RECT client{};
        POINT origin{0, 0};
        if (tray) GetClientRect(tray, &client);
        if (tray) ClientToScreen(tray, &origin);
        std::printf("tray-window %d %ld %ld %ld %ld\n", tray && IsWindowVisible(tray) ? 1 : 0, origin.x,
                    origin.y, client.right, client.bottom);
    } else if (step == "shown") {
        std::printf("shown %d %d\n", IsWindowVisible(player) ? 1 : 0, IsIconic(player) ? 1 : 0);
    } else {
        return false;
    }
    return true;
}
