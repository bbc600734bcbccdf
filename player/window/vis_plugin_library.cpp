// Loading visualization plug-in libraries through their one export.
#include "player/window/vis_plugin_library.h"

#include <cctype>

#include "platform/code_page.h"

namespace tumbor {
namespace {

const char* visPluginPattern() {
#if defined(_WIN32)
    return "*.DLL";
#else
    return "*.so";
#endif
}

std::string inFolder(const std::string& folder, const std::string& fileName) {
    if (folder.empty()) return fileName;
    char last = folder.back();
    return last == '\\' || last == '/' ? folder + fileName : folder + platform::pathSeparator() + fileName;
}

winampVisHeader* headerOf(const platform::DynamicLibrary& library) {
    auto getHeader = reinterpret_cast<winampVisGetHeaderType>(library.symbol(VIS_GET_HEADER_NAME));
    return getHeader ? getHeader() : nullptr;
}

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::vector<VisPluginLibraryEntry> listVisPluginLibraries(const std::string& folder) {
    std::vector<VisPluginLibraryEntry> entries;
    for (const std::string& name : platform::findFiles(folder, visPluginPattern())) {
        std::unique_ptr<platform::DynamicLibrary> library =
            platform::DynamicLibrary::load(inFolder(folder, name));
        if (!library) continue;
        winampVisHeader* header = headerOf(*library);
        if (!header) continue;
        entries.push_back(
            {platform::utf8FromAnsi(header->description ? header->description : ""), lowerCase(name)});
    }
    return entries;
}

std::vector<std::string> listVisPluginModules(const std::string& folder, const std::string& fileName) {
    std::vector<std::string> modules;
    std::unique_ptr<platform::DynamicLibrary> library =
        platform::DynamicLibrary::load(inFolder(folder, fileName));
    winampVisHeader* header = library ? headerOf(*library) : nullptr;
    if (!header || !header->getModule) return modules;
    for (int index = 0; index < 255; ++index) {
        winampVisModule* module = header->getModule(index);
        if (!module) break;
        modules.push_back(platform::utf8FromAnsi(module->description ? module->description : ""));
    }
    return modules;
}

std::unique_ptr<VisPlugin> VisPlugin::load(const std::string& folder, const std::string& fileName, int module,
                                           void* parentWindow) {
    std::unique_ptr<platform::DynamicLibrary> library =
        platform::DynamicLibrary::load(inFolder(folder, fileName));
    winampVisHeader* header = library ? headerOf(*library) : nullptr;
    winampVisModule* record =
        header && header->getModule && module >= 0 ? header->getModule(module) : nullptr;
    if (!record) return nullptr;
    record->hwndParent = parentWindow;
    record->hDllInstance = library->nativeHandle();
    record->sRate = 44100;
    record->nCh = 2;
    return std::unique_ptr<VisPlugin>(new VisPlugin(std::move(library), record));
}

}  // namespace tumbor
