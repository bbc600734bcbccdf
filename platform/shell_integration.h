// Where the player meets the Windows shell: the file types in the registry's
// classes, and the icons in the notification area (the tray).
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace platform {

// The keys of the registry's classes root, as the system shows them merged.
class FileTypeRegistry {
public:
    virtual ~FileTypeRegistry() = default;

    // The default value of a key (a path below the classes root); none when
    // the key or its default value does not exist.
    virtual std::optional<std::string> defaultValue(const std::string& key) = 0;
    // Creates or opens the key and sets its default value, a text stored with
    // its terminating zero. False when the registry refused it.
    virtual bool setDefaultValue(const std::string& key, const std::string& value) = 0;
};

// The system's classes: HKEY_CLASSES_ROOT on Windows, where a key the
// machine-wide classes refuse is written to the user's own classes
// (HKEY_CURRENT_USER\Software\Classes) instead; an empty registry of the
// recording kind natively.
std::unique_ptr<FileTypeRegistry> openFileTypeRegistry();

struct TrayIcon {
    int id = 0;            // the icon's number in its owner's notifications
    int iconResource = 0;  // icon resource of the program
    std::string tip;
};

// The notification area's icons of one owner window.
class TrayArea {
public:
    virtual ~TrayArea() = default;

    // Shell_NotifyIconA's add: message, icon and tip; false when refused.
    virtual bool add(const TrayIcon& icon) = 0;
    // Shell_NotifyIconA's delete of the icon with that number.
    virtual void remove(int id) = 0;
    // The shell's tray window ("Shell_TrayWnd") is asked to redraw.
    virtual void redraw() = 0;
};

// The icons of ownerWindow, which receives callbackMessage with the icon's
// number in wParam and the mouse message in lParam.
std::unique_ptr<TrayArea> createTrayArea(void* ownerWindow, unsigned callbackMessage);

}  // namespace platform
