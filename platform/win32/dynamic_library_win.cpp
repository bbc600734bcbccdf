// DLLs through LoadLibraryA, and the directory search through FindFirstFileA.
#include <windows.h>

#include "platform/dynamic_library.h"

namespace platform {

std::unique_ptr<DynamicLibrary> DynamicLibrary::load(const std::string& path) {
    HMODULE handle = LoadLibraryA(path.c_str());
    if (!handle) return nullptr;
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle));
}

DynamicLibrary::~DynamicLibrary() { FreeLibrary(static_cast<HMODULE>(handle_)); }

void* DynamicLibrary::symbol(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

std::vector<std::string> findFiles(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names;
    std::string query = folder;
    if (!query.empty() && query.back() != '\\' && query.back() != '/') query += '\\';
    query += pattern;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(query.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

const char* streamLibraryPattern() { return "Strm_*.DLL"; }

char pathSeparator() { return '\\'; }

std::string programFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return ".\\";
    std::string folder(path, length);
    return folder.substr(0, folder.rfind('\\') + 1);
}

}  // namespace platform
