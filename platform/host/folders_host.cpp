// Folders and files through POSIX calls.
#include <sys/stat.h>
#include <unistd.h>

#include "platform/folders.h"

namespace platform {
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
