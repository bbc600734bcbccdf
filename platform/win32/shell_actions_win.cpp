// Shortcuts through the shell link object (IShellLinkW with IPersistFile) and
// programs started with CreateProcessW; paths and texts are UTF-8 on this side.
// These headers need the types of windows.h, so the order stays.
// clang-format off
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
// clang-format on

#include "platform/shell_actions.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

// A COM interface pointer, released when it goes.
template <typename Interface>
class ComPointer {
public:
    ComPointer() = default;
    ~ComPointer() {
        if (pointer_) pointer_->Release();
    }
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    Interface** out() { return &pointer_; }
    void** outVoid() { return reinterpret_cast<void**>(&pointer_); }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

private:
    Interface* pointer_ = nullptr;
};

class WindowsShellActions : public ShellActions {
public:
    bool createShortcut(const Shortcut& shortcut) override {
        // COM stays initialised for the thread until the program ends.
        if (!comReady_) comReady_ = SUCCEEDED(CoInitialize(nullptr));
        if (!comReady_) return false;
        ComPointer<IShellLinkW> link;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    link.outVoid())))
            return false;
        ComPointer<IPersistFile> file;
        if (FAILED(link->QueryInterface(IID_IPersistFile, file.outVoid()))) return false;
        const auto wide = [](const std::string& text) { return wideFromUtf8(text); };
        const bool set =
            SUCCEEDED(link->SetPath(wide(shortcut.target).c_str())) &&
            SUCCEEDED(link->SetWorkingDirectory(wide(shortcut.workingFolder).c_str())) &&
            SUCCEEDED(link->SetIconLocation(wide(shortcut.iconPath).c_str(), shortcut.iconIndex)) &&
            SUCCEEDED(link->SetDescription(wide(shortcut.description).c_str())) &&
            SUCCEEDED(link->SetArguments(wide(shortcut.arguments).c_str())) &&
            SUCCEEDED(link->SetHotkey(static_cast<WORD>(shortcut.hotkey))) &&
            SUCCEEDED(link->SetShowCmd(shortcut.showCommand));
        return set && SUCCEEDED(file->Save(wide(shortcut.linkPath).c_str(), TRUE));
    }

    bool startProgram(const std::string& program, const std::string& folder) override {
        // Quoted, so that a folder with spaces is not read as the start of arguments.
        std::wstring commandLine = L"\"" + wideFromUtf8(program) + L"\"";
        const std::wstring wideFolder = wideFromUtf8(folder);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(wideFromUtf8(program).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                            nullptr, folder.empty() ? nullptr : wideFolder.c_str(), &startup, &process))
            return false;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return true;
    }

private:
    bool comReady_ = false;
};

}  // namespace

ShellActions& systemShellActions() {
    static WindowsShellActions actions;
    return actions;
}

}  // namespace platform
