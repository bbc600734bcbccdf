// The current folder, the folder search and the installer's folders through
// the ANSI file functions.
#include <windows.h>

#include "platform/folders.h"

namespace platform {

bool setCurrentFolder(const std::string& folder) { return SetCurrentDirectoryA(folder.c_str()) != FALSE; }

std::string currentFolder() {
    char path[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, path);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return std::string(path, length);
}

std::vector<std::string> findFolders(const std::string& folder) {
    std::vector<std::string> names;
    std::string query = folder;
    if (!query.empty() && query.back() != '\\' && query.back() != '/') query += '\\';
    query += "*";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(query.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

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
