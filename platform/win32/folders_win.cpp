// The current folder, the folder search and the installer's folders through
// the wide file functions; paths are UTF-8.
#include <windows.h>

#include "platform/folders.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

DWORD attributesOf(const std::string& path) { return GetFileAttributesW(wideFromUtf8(path).c_str()); }

}  // namespace

bool setCurrentFolder(const std::string& folder) {
    return SetCurrentDirectoryW(wideFromUtf8(folder).c_str()) != FALSE;
}

std::string currentFolder() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0) return std::string();
    std::wstring path(size, L'\0');
    const DWORD length = GetCurrentDirectoryW(size, path.data());
    if (length == 0 || length >= size) return std::string();
    return utf8FromWide(path.data(), length);
}

std::vector<std::string> findFolders(const std::string& folder) {
    std::vector<std::string> names;
    std::string query = folder;
    if (!query.empty() && query.back() != '\\' && query.back() != '/') query += '\\';
    query += "*";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wideFromUtf8(query).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = utf8FromWide(found.cFileName, wcslen(found.cFileName));
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

namespace {

class WindowsFolders : public Folders {
public:
    bool setCurrent(const std::string& path) override { return setCurrentFolder(path); }
    bool create(const std::string& path) override {
        return CreateDirectoryW(wideFromUtf8(path).c_str(), nullptr) != FALSE;
    }
    bool isFolder(const std::string& path) override {
        const DWORD attributes = attributesOf(path);
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    bool fileExists(const std::string& path) override {
        const DWORD attributes = attributesOf(path);
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
};

}  // namespace

Folders& systemFolders() {
    static WindowsFolders folders;
    return folders;
}

}  // namespace platform
