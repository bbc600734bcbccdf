// Folders and files through the Windows file functions (ANSI names).
#include <windows.h>

#include "platform/folders.h"

namespace platform {
namespace {

class WindowsFolders : public Folders {
public:
    bool setCurrent(const std::string& path) override { return SetCurrentDirectoryA(path.c_str()) != FALSE; }
    bool create(const std::string& path) override { return CreateDirectoryA(path.c_str(), nullptr) != FALSE; }
    bool isFolder(const std::string& path) override {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    bool fileExists(const std::string& path) override {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
};

}  // namespace

Folders& systemFolders() {
    static WindowsFolders folders;
    return folders;
}

}  // namespace platform
