// Folders: the process's current folder, the sub-folders of a folder, and,
// as the installer needs them, new folders and whether a file or folder
// exists. Relative paths are taken from the current folder.
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

// The file system as the installer sees it, so its tests can simulate drives.
class Folders {
public:
    virtual ~Folders() = default;
    // Makes path the process's current folder; false when it is no folder.
    virtual bool setCurrent(const std::string& path) = 0;
    // Creates one folder whose parent exists; false when that fails or the name is taken.
    virtual bool create(const std::string& path) = 0;
    virtual bool isFolder(const std::string& path) = 0;
    // True for an existing file that is not a folder.
    virtual bool fileExists(const std::string& path) = 0;
};

// The system's file system.
Folders& systemFolders();

}  // namespace platform
