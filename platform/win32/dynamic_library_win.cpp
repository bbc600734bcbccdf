// DLLs through LoadLibraryW, and the directory search through FindFirstFileW;
// names are UTF-8.
#include <windows.h>

#include <cstdio>

#include "platform/dynamic_library.h"
#include "platform/pe_image.h"
#include "platform/utf8_files.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

#if defined(_WIN64)
constexpr std::uint16_t kThisMachine = kPeMachineAmd64;
#else
constexpr std::uint16_t kThisMachine = kPeMachineI386;
#endif

// Whether the file is an image built for this program's machine: a 32-bit
// DLL beside the 64-bit player (or the other way round) is left alone
// instead of being handed to the loader.
bool builtForThisMachine(const std::string& path) {
    std::FILE* file = openFile(path, "rb");
    if (!file) return false;
    unsigned char head[kPeHeadBytes];
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    return peImageMachine(head, got) == kThisMachine;
}

}  // namespace

std::unique_ptr<DynamicLibrary> DynamicLibrary::load(const std::string& path) {
    if (!builtForThisMachine(path)) return nullptr;
    HMODULE handle = LoadLibraryW(wideFromUtf8(path).c_str());
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
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wideFromUtf8(query).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(utf8FromWide(found.cFileName, wcslen(found.cFileName)));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

const char* streamLibraryPattern() { return "Strm_*.DLL"; }

char pathSeparator() { return '\\'; }

std::string programFolder() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return ".\\";
    const std::string folder = utf8FromWide(path, length);
    return folder.substr(0, folder.rfind('\\') + 1);
}

}  // namespace platform
