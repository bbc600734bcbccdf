// Shell actions recorded instead of performed, for the unit tests; each kind
// can be told to fail.
#pragma once

#include <string>
#include <vector>

#include "platform/shell_actions.h"

namespace platform {

class RecordedShellActions : public ShellActions {
public:
    bool createShortcut(const Shortcut& shortcut) override {
        shortcuts.push_back(shortcut);
        return shortcutsSucceed;
    }
    bool startProgram(const std::string& program, const std::string& folder) override {
        started.push_back(program + "|" + folder);
        return startSucceeds;
    }

    std::vector<Shortcut> shortcuts;   // every shortcut asked for, in order
    std::vector<std::string> started;  // "program|folder" for each start
    bool shortcutsSucceed = true;
    bool startSucceeds = true;
};

}  // namespace platform
