// The player's list of every stream module found in the stream libraries of
// one folder, in discovery order, and the open-dialog filter they compose.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/dynamic_library.h"
#include "stream/stream_module.h"

namespace tumbor {

struct ModuleEntry {
    std::string libraryFile;  // file name of the library, without folder
    int index = 0;            // index under which getModule returned the record
    std::string description;  // copy of the record's description, as UTF-8
    uint32_t version = 0;     // copy of the record's moduleVersion
    void* libraryHandle = nullptr;
    StreamModule* record = nullptr;
    // The module's optional capabilities; fields the library did not have are null.
    StreamModuleExtension extension{};
};

class ModuleRegistry {
public:
    ModuleRegistry() { tearDown(); }
    ~ModuleRegistry() { tearDown(); }
    ModuleRegistry(const ModuleRegistry&) = delete;
    ModuleRegistry& operator=(const ModuleRegistry&) = delete;

    // Loads every stream library in folder and registers its valid records,
    // writing hostWindow, libraryInstance and iniPath into each. Libraries that
    // fail to load, lack the export or offer no valid record are skipped.
    void build(const std::string& folder, void* hostWindow, const std::string& iniPath);
    // Registers one record found in a library (or linked into the program),
    // writing hostWindow, libraryInstance and iniPath into it and adding its
    // filter to the open-dialog filter.
    void registerModule(StreamModule* record, const std::string& libraryFile, int index,
                        void* libraryHandle, void* hostWindow,
                        const StreamModuleExtension* extension = nullptr);
    // Forgets the entries and releases every library once.
    void tearDown();

    const std::vector<ModuleEntry>& entries() const { return entries_; }
    // The extension of a registered record; all null when it has none.
    StreamModuleExtension extensionOf(const StreamModule* record) const;
    // "Summary|patterns|Playlists ...|...|All files (*.*)|*.*||"
    const std::string& openFilter() const { return openFilter_; }

private:
    void registerLibrary(const std::string& folder, const std::string& fileName, void* hostWindow);
    void composeFilter();

    std::vector<std::unique_ptr<platform::DynamicLibrary>> libraries_;
    std::vector<ModuleEntry> entries_;
    std::string iniPath_;  // outlives the records that point at it
    std::string summaryFilter_;
    std::string listFilter_;
    std::string openFilter_;
};

}  // namespace tumbor
