// Shortcuts through the shell link object (IShellLinkA with IPersistFile) and
// programs started with CreateProcessA.
// These headers need the types of windows.h, so the order stays.
// clang-format off
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
// clang-format on

#include "platform/shell_actions.h"

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
        ComPointer<IShellLinkA> link;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    link.outVoid())))
            return false;
        ComPointer<IPersistFile> file;
        if (FAILED(link->QueryInterface(IID_IPersistFile, file.outVoid()))) return false;
        const bool set = SUCCEEDED(link->SetPath(shortcut.target.c_str())) &&
                         SUCCEEDED(link->SetWorkingDirectory(shortcut.workingFolder.c_str())) &&
                         SUCCEEDED(link->SetIconLocation(shortcut.iconPath.c_str(), shortcut.iconIndex)) &&
                         SUCCEEDED(link->SetDescription(shortcut.description.c_str())) &&
                         SUCCEEDED(link->SetArguments(shortcut.arguments.c_str())) &&
                         SUCCEEDED(link->SetHotkey(static_cast<WORD>(shortcut.hotkey))) &&
                         SUCCEEDED(link->SetShowCmd(shortcut.showCommand));
        if (!set) return false;
        WCHAR wide[MAX_PATH];
        if (MultiByteToWideChar(CP_ACP, 0, shortcut.linkPath.c_str(), -1, wide, MAX_PATH) == 0) return false;
        return SUCCEEDED(file->Save(wide, TRUE));
    }

    bool startProgram(const std::string& program, const std::string& folder) override {
        // Quoted, so that a folder with spaces is not read as the start of arguments.
        std::string commandLine = "\"" + program + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                            folder.empty() ? nullptr : folder.c_str(), &startup, &process))
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
