// TumborSetup.exe: the installation wizard over the archive appended to this
// program's own file.
// These headers need the types of windows.h, so the order stays.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
// clang-format on

#include "installer/setup_wizard.h"
#include "installer/win32/setup_pages.h"
#include "platform/win32/wide_text.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    // The folder browser needs COM as much as the shortcuts do.
    CoInitialize(nullptr);
    wchar_t path[MAX_PATH] = L"";
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    tumbor::installer::SetupSystem system{
        platform::systemRegistry(),
        platform::systemFolders(),
        platform::systemShellActions(),
        length > 0 && length < MAX_PATH ? platform::utf8FromWide(path, length) : "",
        {},
        {}};
    tumbor::installer::win32::DialogPages pages;
    tumbor::installer::runWizard(pages, system);
    CoUninitialize();
    return 0;
}
