// Folders and files as the installer needs them: the current folder, new
// folders, and whether a file or folder exists. Relative paths are taken
// from the current folder.
#pragma once

#include <string>

namespace platform {

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
