// The current folder, a sorted folder listing (so that tests see the same
// order on every file system), and the installer's folders, through POSIX calls.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

#include "platform/folders.h"

namespace platform {

bool setCurrentFolder(const std::string& folder) { return chdir(folder.c_str()) == 0; }

std::string currentFolder() {
    char path[PATH_MAX];
    return getcwd(path, sizeof path) ? std::string(path) : std::string();
}

std::vector<std::string> findFolders(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return names;
    const std::string prefix = folder.empty() ? "" : folder + "/";
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat info;
        if (name == "." || name == "..") continue;
        if (stat((prefix + name).c_str(), &info) == 0 && S_ISDIR(info.st_mode)) names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

class PosixFolders : public Folders {
public:
    bool setCurrent(const std::string& path) override { return chdir(path.c_str()) == 0; }
    bool create(const std::string& path) override { return mkdir(path.c_str(), 0777) == 0; }
    bool isFolder(const std::string& path) override {
        struct stat info;
        return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }
    bool fileExists(const std::string& path) override {
        struct stat info;
        return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
    }
};

}  // namespace

Folders& systemFolders() {
    static PosixFolders folders;
    return folders;
}

}  // namespace platform
