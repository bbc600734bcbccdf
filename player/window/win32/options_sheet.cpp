// The property sheet and what its pages share: the dialog procedure that
// hands the sheet's notifications to the page, and the controls' helpers.
#include "player/window/win32/options_sheet.h"

#include "platform/win32/wide_text.h"
#include "resources/player/resource_ids.h"

namespace tumbor::window::win32 {

PROPSHEETPAGEW COptionsPage::sheetPage(int templateId) {
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = GetModuleHandleW(nullptr);
    page.pszTemplate = MAKEINTRESOURCEW(templateId);
    page.pfnDlgProc = dialogProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

INT_PTR CALLBACK COptionsPage::dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<COptionsPage*>(reinterpret_cast<PROPSHEETPAGEW*>(lParam)->lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->window_ = dialog;
    }
    auto* self = reinterpret_cast<COptionsPage*>(GetWindowLongPtrA(dialog, DWLP_USER));
    return self ? self->handleMessage(message, wParam, lParam) : FALSE;
}

INT_PTR COptionsPage::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            context_.window = GetParent(window_);
            showing_ = true;
            initialise();
            showing_ = false;
            return TRUE;
        case WM_NOTIFY: {
            const auto* notice = reinterpret_cast<const NMHDR*>(lParam);
            if (notice->code == PSN_SETACTIVE) {
                showing_ = true;
                activate();
                showing_ = false;
                SetWindowLongPtrA(window_, DWLP_MSGRESULT, 0);
                return TRUE;
            }
            if (notice->code == PSN_APPLY) {
                apply();
                SetWindowLongPtrA(window_, DWLP_MSGRESULT, PSNRET_NOERROR);
                return TRUE;
            }
            return FALSE;
        }
        case WM_COMMAND:
            if (!showing_) command(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_HSCROLL:
            if (!showing_) scrolled();
            return TRUE;
    }
    return FALSE;
}

void COptionsPage::modified() { PropSheet_Changed(GetParent(window_), window_); }

void COptionsPage::showList(int id, const std::vector<std::string>& lines, int selection) {
    const bool wasShowing = showing_;
    showing_ = true;
    HWND list = GetDlgItem(window_, id);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& line : lines)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::wideFromUtf8(line).c_str()));
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(selection), 0);
    showing_ = wasShowing;
}

int COptionsPage::listSelection(int id) const {
    return static_cast<int>(SendDlgItemMessageA(window_, id, LB_GETCURSEL, 0, 0));
}

void COptionsPage::showCombo(int id, const std::vector<std::string>& lines, int selection) {
    const bool wasShowing = showing_;
    showing_ = true;
    HWND combo = GetDlgItem(window_, id);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& line : lines)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::wideFromUtf8(line).c_str()));
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
    showing_ = wasShowing;
}

int COptionsPage::comboSelection(int id) const {
    return static_cast<int>(SendDlgItemMessageA(window_, id, CB_GETCURSEL, 0, 0));
}

bool COptionsPage::checked(int id) const { return IsDlgButtonChecked(window_, id) == BST_CHECKED; }

void COptionsPage::setChecked(int id, bool on) {
    CheckDlgButton(window_, id, on ? BST_CHECKED : BST_UNCHECKED);
}

std::string COptionsPage::text(int id) const {
    HWND control = GetDlgItem(window_, id);
    std::wstring value(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    const int length = GetWindowTextW(control, value.data(), static_cast<int>(value.size()));
    return platform::utf8FromWide(value.data(), static_cast<size_t>(length > 0 ? length : 0));
}

void COptionsPage::setText(int id, const std::string& text) {
    const bool wasShowing = showing_;
    showing_ = true;
    SetDlgItemTextW(window_, id, platform::wideFromUtf8(text).c_str());
    showing_ = wasShowing;
}

void COptionsPage::setSlider(int id, int minimum, int maximum, int tickEvery, int position) {
    HWND slider = GetDlgItem(window_, id);
    SendMessageA(slider, TBM_SETRANGEMIN, FALSE, minimum);
    SendMessageA(slider, TBM_SETRANGEMAX, FALSE, maximum);
    SendMessageA(slider, TBM_SETTICFREQ, static_cast<WPARAM>(tickEvery), 0);
    SendMessageA(slider, TBM_SETPOS, TRUE, position);
}

int COptionsPage::slider(int id) const {
    return static_cast<int>(SendDlgItemMessageA(window_, id, TBM_GETPOS, 0, 0));
}

void COptions::run(HWND owner, int page) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&classes);
    PROPSHEETPAGEW pages[kOptionsPageCount] = {
        output_.sheetPage(IDD_OPTIONS_OUTPUT),   buffering_.sheetPage(IDD_OPTIONS_BUFFERING),
        plugins_.sheetPage(IDD_OPTIONS_PLUGINS), design_.sheetPage(IDD_OPTIONS_DESIGN),
        skins_.sheetPage(IDD_OPTIONS_SKINS),     general_.sheetPage(IDD_OPTIONS_GENERAL)};
    PROPSHEETHEADERW sheet{};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_NOCONTEXTHELP;
    sheet.hwndParent = owner;
    sheet.hInstance = GetModuleHandleW(nullptr);
    sheet.pszCaption = L"Options";
    sheet.nPages = kOptionsPageCount;
    sheet.nStartPage = static_cast<UINT>(page >= 0 && page < kOptionsPageCount ? page : 0);
    sheet.ppsp = pages;
    PropertySheetW(&sheet);
}

}  // namespace tumbor::window::win32
