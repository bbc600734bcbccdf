// Shared objects through dlopen, and a sorted directory listing so that tests
// see the same order on every file system.
#include <dirent.h>
#include <dlfcn.h>
#include <fnmatch.h>
#include <unistd.h>

#include <algorithm>

#include "platform/dynamic_library.h"

namespace platform {

std::unique_ptr<DynamicLibrary> DynamicLibrary::load(const std::string& path) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle));
}

DynamicLibrary::~DynamicLibrary() { dlclose(handle_); }

void* DynamicLibrary::symbol(const char* name) const { return dlsym(handle_, name); }

std::vector<std::string> findFiles(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = readdir(dir)) {
        if (fnmatch(pattern.c_str(), entry->d_name, FNM_CASEFOLD) == 0 && entry->d_type != DT_DIR)
            names.emplace_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

const char* streamLibraryPattern() { return "Strm_*.so"; }

char pathSeparator() { return '/'; }

std::string programFolder() {
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "./";
    std::string folder(path, static_cast<size_t>(length));
    return folder.substr(0, folder.rfind('/') + 1);
}

}  // namespace platform
