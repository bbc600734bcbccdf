// Building the module registry: the directory search, the 1,048,576-index
// enumeration of each library and the open-dialog filter text.
#include "player/engine/module_registry.h"

#include <cstring>

#include "platform/code_page.h"
#include "player/engine/module_loader.h"

namespace tumbor {
namespace {

const char kMagic[4] = {'T', 'B', 'S', 'M'};
const char kAllFiles[] = "All files (*.*)|*.*||";

}  // namespace

void ModuleRegistry::build(const std::string& folder, void* hostWindow, const std::string& iniPath) {
    tearDown();
    // Libraries open it with the ANSI profile calls.
    iniPath_ = platform::ansiFileName(iniPath);
    for (const std::string& name : platform::findFiles(folder, platform::streamLibraryPattern()))
        registerLibrary(folder, name, hostWindow);
}

void ModuleRegistry::registerLibrary(const std::string& folder, const std::string& fileName,
                                     void* hostWindow) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/' && path.back() != '\\') path += platform::pathSeparator();
    path += fileName;
    std::unique_ptr<platform::DynamicLibrary> library = platform::DynamicLibrary::load(path);
    if (!library) return;
    auto getHeader =
        reinterpret_cast<GetStreamHeaderFunction>(library->symbol(STREAM_HEADER_EXPORT_NAME));
    if (!getHeader) return;
    StreamLibraryHeader* header = getHeader();
    if (!header || !header->getModule) return;

    auto getExtension =
        reinterpret_cast<GetStreamExtensionFunction>(library->symbol(STREAM_EXTENSION_EXPORT_NAME));

    bool registered = false;
    for (int index = 0; index < STREAM_MODULE_INDEX_COUNT; ++index) {
        StreamModule* record = header->getModule(index);
        if (!record || std::memcmp(record->magic, kMagic, sizeof kMagic) != 0) continue;
        registerModule(record, fileName, index, library->nativeHandle(), hostWindow,
                       getExtension ? getExtension(index) : nullptr);
        registered = true;
    }
    if (registered) libraries_.push_back(std::move(library));
}

void ModuleRegistry::registerModule(StreamModule* record, const std::string& libraryFile, int index,
                                    void* libraryHandle, void* hostWindow,
                                    const StreamModuleExtension* extension) {
    ModuleEntry entry;
    // Only the fields the library's own version of the record has are taken.
    if (extension && extension->size > sizeof extension->size)
        std::memcpy(&entry.extension, extension,
                    extension->size < sizeof entry.extension ? extension->size : sizeof entry.extension);
    entry.libraryFile = libraryFile;
    entry.index = index;
    entry.description = moduleText(*record, record->description);
    entry.version = record->moduleVersion;
    entry.libraryHandle = libraryHandle;
    entry.record = record;
    entries_.push_back(entry);
    record->hostWindow = hostWindow;
    record->libraryInstance = libraryHandle;
    record->iniPath = const_cast<char*>(iniPath_.c_str());

    // "Desc|patterns|": the whole pair goes to the list, the patterns to the summary.
    std::string filter = record->fileFilter ? record->fileFilter : "";
    size_t bar = filter.find('|');
    if (bar == std::string::npos) return;
    listFilter_ += filter;
    std::string patterns = filter.substr(bar + 1);
    if (!patterns.empty()) patterns.pop_back();
    summaryFilter_ += patterns;
    if (summaryFilter_.back() != ';') summaryFilter_ += ';';
    composeFilter();
}

StreamModuleExtension ModuleRegistry::extensionOf(const StreamModule* record) const {
    for (const ModuleEntry& entry : entries_)
        if (entry.record == record) return entry.extension;
    return StreamModuleExtension{};
}

// The summary without its last ";", then the pairs, then the all-files pair.
void ModuleRegistry::composeFilter() {
    openFilter_ = summaryFilter_.substr(0, summaryFilter_.size() - 1) + "|" + listFilter_ + kAllFiles;
}

void ModuleRegistry::tearDown() {
    entries_.clear();
    libraries_.clear();
    summaryFilter_ = "All supported files|*.m3u;*.m3u8;*.pls;";
    listFilter_ = "Playlists (*.m3u;*.m3u8;*.pls)|*.m3u;*.m3u8;*.pls|";
    composeFilter();
}

}  // namespace tumbor
