// The process's current folder and the sub-folders of a folder.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Makes folder the current folder; false when it cannot be.
bool setCurrentFolder(const std::string& folder);
// The current folder's full path, or "" when the system cannot tell.
std::string currentFolder();

// Names of the sub-folders of folder, "." and ".." left out, in the order the
// system's directory search returns them (sorted natively).
std::vector<std::string> findFolders(const std::string& folder);

}  // namespace platform
