// setup_driver: drives a running TumborSetup.exe from outside, for the
// end-to-end test, through the texts of its pages' buttons. It runs its
// arguments as a list of steps, printing one line per answer:
//   wait-page CAPTION     waits up to 20 s for an enabled page with that caption (not
//                         the one last pressed on); prints "page CAPTION"
//   controls              prints "control ID CLASS TEXT" for each control of the page,
//                         line breaks in TEXT written as \n
//   get ID                prints "text ID TEXT" for the control
//   set ID TEXT           sets the control's text
//   check ID 0|1          clears or sets a check box
//   press TEXT            presses the page's button with that text, e.g. "&Next >"
//   box CAPTION           waits up to 20 s for a message box with that caption,
//                         prints "box TEXT" and presses its OK button
//   wait-no-player        waits up to 20 s until no player window is left
// A step that finds no page or control prints what there is and ends with 1.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// WM_GETTEXT, as GetWindowText does not ask a control of another process for its text.
std::string textOf(HWND window) {
    char text[1024] = "";
    DWORD_PTR length = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000,
                        &length);
    return text;
}

std::string classOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c != '\r')
            out += c;
    }
    return out;
}

struct Search {
    std::string caption;
    HWND skip;
    HWND found;
};

BOOL CALLBACK findDialog(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    // A page is disabled while a window of its own, such as the folder browser, is open.
    if (window == search->skip || !IsWindowVisible(window) || !IsWindowEnabled(window) ||
        classOf(window) != "#32770" || textOf(window) != search->caption)
        return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK listDialog(HWND window, LPARAM) {
    if (IsWindowVisible(window) && classOf(window) == "#32770")
        std::printf("  visible dialog \"%s\"\n", textOf(window).c_str());
    return TRUE;
}

HWND waitForDialog(const std::string& caption, HWND skip) {
    for (int i = 0; i < 200; ++i) {
        Search search{caption, skip, nullptr};
        EnumWindows(findDialog, reinterpret_cast<LPARAM>(&search));
        // Shown, and its controls made and set.
        if (search.found) {
            Sleep(100);
            return search.found;
        }
        Sleep(100);
    }
    return nullptr;
}

std::vector<HWND> controlsOf(HWND page) {
    std::vector<HWND> controls;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        controls.push_back(child);
    return controls;
}

HWND buttonWithText(HWND page, const std::string& text) {
    for (HWND control : controlsOf(page))
        if (classOf(control) == "Button" && textOf(control) == text) return control;
    return nullptr;
}

// A sent message is handled only once the page's loop has taken what was posted before it.
void settle(HWND page) {
    DWORD_PTR ignored;
    SendMessageTimeoutA(page, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
}

void clickButton(HWND page, HWND button) {
    PostMessageA(page, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

int missing(const std::string& what) {
    std::printf("missing %s\n", what.c_str());
    EnumWindows(listDialog, 0);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    HWND page = nullptr, pressed = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string step = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (step == "wait-page") {
            const std::string caption = next();
            page = waitForDialog(caption, pressed);
            if (!page) return missing("page \"" + caption + "\"");
            std::printf("page %s\n", caption.c_str());
        } else if (step == "box") {
            const std::string caption = next();
            HWND box = waitForDialog(caption, nullptr);
            if (!box) return missing("box \"" + caption + "\"");
            std::string text;
            for (HWND control : controlsOf(box))
                if (classOf(control) == "Static" && !textOf(control).empty()) text = textOf(control);
            std::printf("box %s\n", escaped(text).c_str());
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            for (int wait = 0; wait < 100 && IsWindow(box); ++wait) Sleep(50);
        } else if (step == "wait-no-player") {
            int wait = 0;
            for (; wait < 200 && FindWindowA("TumborMainWindow", nullptr); ++wait) Sleep(100);
            if (wait == 200) return missing("end of the player");
        } else if (!page) {
            return missing("page before \"" + step + "\"");
        } else if (step == "controls") {
            for (HWND control : controlsOf(page))
                std::printf("control %d %s %s\n", GetDlgCtrlID(control), classOf(control).c_str(),
                            escaped(textOf(control)).c_str());
        } else if (step == "get") {
            const int id = std::atoi(next().c_str());
            std::printf("text %d %s\n", id, textOf(GetDlgItem(page, id)).c_str());
        } else if (step == "set") {
            const int id = std::atoi(next().c_str());
            SetWindowTextA(GetDlgItem(page, id), next().c_str());
        } else if (step == "check") {
            const int id = std::atoi(next().c_str());
            SendDlgItemMessageA(page, id, BM_SETCHECK, next() == "1" ? BST_CHECKED : BST_UNCHECKED, 0);
        } else if (step == "press") {
            const std::string text = next();
            HWND button = buttonWithText(page, text);
            if (!button) return missing("button \"" + text + "\"");
            clickButton(page, button);
            pressed = page;
            // What the button does shows in the next step's wait.
            continue;
        } else {
            std::printf("unknown step %s\n", step.c_str());
            return 2;
        }
        if (page && IsWindow(page)) settle(page);
        std::fflush(stdout);
    }
    return 0;
}
