// Shared libraries loaded at run time, and the directory search that finds
// them. Paths and names are UTF-8.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {

class DynamicLibrary {
public:
    // The loaded library, or null when it cannot be loaded. On Windows a
    // library built for another machine (a 32-bit DLL in the 64-bit
    // program) is never handed to the system's loader.
    static std::unique_ptr<DynamicLibrary> load(const std::string& path);
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // The exported symbol, or null.
    void* symbol(const char* name) const;
    // The system's handle of the library (HMODULE on Windows).
    void* nativeHandle() const { return handle_; }

private:
    explicit DynamicLibrary(void* handle) : handle_(handle) {}
    void* handle_;
};

// Names (without folder) of the files in folder matching a pattern with "*"
// and "?" wildcards, compared case-insensitively, in the order the system's
// directory search returns them.
std::vector<std::string> findFiles(const std::string& folder, const std::string& pattern);

// "Strm_*.DLL" on Windows, "Strm_*.so" for the native build's libraries.
const char* streamLibraryPattern();

// Folder separator of file names on this system.
char pathSeparator();

// The folder holding the running program's file, with a trailing separator.
std::string programFolder();

}  // namespace platform
