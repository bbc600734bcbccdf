// DLLs through LoadLibraryA, and the directory search through FindFirstFileA.
#include <windows.h>

#include <fstream>

#include "platform/dynamic_library.h"
#include "platform/pe_image.h"

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
    std::ifstream file(path, std::ios::binary);
    unsigned char head[kPeHeadBytes];
    file.read(reinterpret_cast<char*>(head), sizeof head);
    return peImageMachine(head, static_cast<std::size_t>(file.gcount())) == kThisMachine;
}

}  // namespace

std::unique_ptr<DynamicLibrary> DynamicLibrary::load(const std::string& path) {
    if (!builtForThisMachine(path)) return nullptr;
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
