// Visualization plug-in libraries in a folder: what the options sheet lists,
// and one library loaded with one of its modules, as the host runs it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/dynamic_library.h"
#include "vis/vis_plugin.h"

namespace tumbor {

struct VisPluginLibraryEntry {
    std::string description;  // the header's description
    std::string fileName;     // lower case
};

// The libraries of folder whose files match "*.DLL" (the native build's
// "*.so") and export winampVisGetHeader with a header, in directory order.
// Each library is loaded only while it is asked.
std::vector<VisPluginLibraryEntry> listVisPluginLibraries(const std::string& folder);

// The descriptions of the library's modules 0, 1, ... up to 254, until the
// first it does not hand out.
std::vector<std::string> listVisPluginModules(const std::string& folder, const std::string& fileName);

// A library held loaded with one of its modules.
class VisPlugin {
public:
    // Null when the library cannot be loaded, lacks the export or the module.
    // The module's parent window, instance, rate (44100) and channels (2)
    // are filled in.
    static std::unique_ptr<VisPlugin> load(const std::string& folder, const std::string& fileName, int module,
                                           void* parentWindow);
    winampVisModule& module() const { return *module_; }
    void* instance() const { return library_->nativeHandle(); }

private:
    VisPlugin(std::unique_ptr<platform::DynamicLibrary> library, winampVisModule* module)
        : library_(std::move(library)), module_(module) {}
    std::unique_ptr<platform::DynamicLibrary> library_;
    winampVisModule* module_;
};

}  // namespace tumbor
