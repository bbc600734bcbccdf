// What the installer asks of the Windows shell: shortcut files made through
// the shell link object, and a program started without waiting for it. Paths
// and texts are UTF-8.
#pragma once

#include <string>

namespace platform {

struct Shortcut {
    std::string linkPath;       // the .lnk file to write (replaced when it exists)
    std::string target;         // the program it starts
    std::string workingFolder;  // the folder it starts in
    std::string iconPath;
    int iconIndex = 0;
    std::string description;
    std::string arguments;
    int hotkey = 0;
    int showCommand = 1;  // SW_SHOWNORMAL
};

class ShellActions {
public:
    virtual ~ShellActions() = default;
    // Writes the shortcut; false when it cannot be made or saved.
    virtual bool createShortcut(const Shortcut& shortcut) = 0;
    // Starts program (no arguments) in folder and returns at once; false when it cannot start.
    virtual bool startProgram(const std::string& program, const std::string& folder) = 0;
};

// The system's shell (Windows only).
ShellActions& systemShellActions();

}  // namespace platform
