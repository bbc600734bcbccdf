// File types through the system registry, tray icons through Shell_NotifyIconA.
// shellapi.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <cstring>
#include <map>

#include "platform/registry.h"
#include "platform/shell_integration.h"

namespace platform {
namespace {

// The file types' keys are read and written through the system registry's
// wide calls, so the open command may name a program in any folder.
class WinFileTypeRegistry : public FileTypeRegistry {
public:
    std::optional<std::string> defaultValue(const std::string& key) override {
        return systemRegistry().readString(RegistryRoot::classesRoot, key, "", kAnyLength);
    }

    // Where the machine-wide classes are refused (no administrator rights),
    // the user's own classes take the key; the system merges both.
    bool setDefaultValue(const std::string& key, const std::string& value) override {
        return systemRegistry().writeString(RegistryRoot::classesRoot, key, "", value) ||
               systemRegistry().writeString(RegistryRoot::currentUser, "Software\\Classes\\" + key, "",
                                            value);
    }

private:
    static constexpr size_t kAnyLength = 1 << 20;
};

class WinTrayArea : public TrayArea {
public:
    WinTrayArea(HWND owner, UINT message) : owner_(owner), message_(message) {}
    ~WinTrayArea() override {
        while (!icons_.empty()) remove(icons_.begin()->first);
    }

    bool add(const TrayIcon& icon) override {
        const int size = GetSystemMetrics(SM_CXSMICON);
        HICON picture =
            static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(icon.iconResource),
                                          IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        NOTIFYICONDATAA data = dataFor(icon.id);
        data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        data.uCallbackMessage = message_;
        data.hIcon = picture;
        std::strncpy(data.szTip, icon.tip.c_str(), sizeof data.szTip - 1);
        if (!Shell_NotifyIconA(NIM_ADD, &data)) {
            if (picture) DestroyIcon(picture);
            return false;
        }
        auto previous = icons_.find(icon.id);
        if (previous != icons_.end() && previous->second) DestroyIcon(previous->second);
        icons_[icon.id] = picture;
        return true;
    }

    void remove(int id) override {
        NOTIFYICONDATAA data = dataFor(id);
        Shell_NotifyIconA(NIM_DELETE, &data);
        auto found = icons_.find(id);
        if (found == icons_.end()) return;
        if (found->second) DestroyIcon(found->second);
        icons_.erase(found);
    }

    void redraw() override {
        HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
        if (!tray) return;
        InvalidateRect(tray, nullptr, TRUE);
        UpdateWindow(tray);
    }

private:
    NOTIFYICONDATAA dataFor(int id) const {
        NOTIFYICONDATAA data{};
        data.cbSize = sizeof data;
        data.hWnd = owner_;
        data.uID = static_cast<UINT>(id);
        return data;
    }

    HWND owner_;
    UINT message_;
    std::map<int, HICON> icons_;  // the icons shown, destroyed once removed
};

}  // namespace

std::unique_ptr<FileTypeRegistry> openFileTypeRegistry() { return std::make_unique<WinFileTypeRegistry>(); }

std::unique_ptr<TrayArea> createTrayArea(void* ownerWindow, unsigned callbackMessage) {
    return std::make_unique<WinTrayArea>(static_cast<HWND>(ownerWindow), callbackMessage);
}

}  // namespace platform
