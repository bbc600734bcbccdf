// A Windows-like file system in memory for the unit tests: drive letters,
// backslash-separated paths compared without case, a current folder, and
// folders that refuse to be created or entered on request.
#pragma once

#include <set>
#include <string>

#include "platform/folders.h"

namespace platform {

class SimulatedFolders : public Folders {
public:
    // The drives that exist, as upper-case letters ("C" by default); the
    // current folder starts at the first one's root.
    explicit SimulatedFolders(const std::string& drives = "C");

    bool setCurrent(const std::string& path) override;
    bool create(const std::string& path) override;
    bool isFolder(const std::string& path) override;
    bool fileExists(const std::string& path) override;

    // Adds a file (its folders must exist already) or a folder with its parents.
    void addFile(const std::string& path);
    void addFolder(const std::string& path);
    // Creating path fails from now on; so does entering it, once it exists.
    void refuseCreate(const std::string& path) { refusedCreate_.insert(normal(path)); }
    void refuseEnter(const std::string& path) { refusedEnter_.insert(normal(path)); }

    // The current folder and every folder, as upper-case full paths without a trailing backslash.
    const std::string& current() const { return current_; }
    const std::set<std::string>& folders() const { return folders_; }
    int createCount() const { return creates_; }

private:
    // The full upper-case path of path seen from the current folder, "" when it cannot be one.
    std::string full(const std::string& path) const;
    static std::string normal(const std::string& path);

    std::string drives_;
    std::string current_;
    std::set<std::string> folders_;
    std::set<std::string> files_;
    std::set<std::string> refusedCreate_;
    std::set<std::string> refusedEnter_;
    int creates_ = 0;
};

}  // namespace platform
