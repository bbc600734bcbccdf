// Probing follows the calling order of the stream contract: set fileName,
// lend the input services (or the null ones), call open, and on rejection
// free fileName, call close and close the input before trying the next module.
#include "player/engine/module_loader.h"

#include <cstdlib>
#include <cstring>

#include "platform/code_page.h"
#include "player/engine/input_services.h"

namespace tumbor {
namespace {

char* heapCopy(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy) std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

// Locations pass as they are; a file's name is one the library can open.
std::string nameForModule(const StreamModule& module, const std::string& name) {
    if ((module.flags & utf8Text) || name.find("://") != std::string::npos) return name;
    return platform::ansiFileName(name);
}

void freeFileName(StreamModule& module) {
    std::free(module.fileName);
    module.fileName = nullptr;
}

bool offer(StreamModule& module, const std::string& name, InputSlot slot) {
    if (module.flags & ownInput) {
        installNullInputServices(module);
    } else {
        if (name.find("://") != std::string::npos) return false;
        std::unique_ptr<FileSource> file = FileSource::open(name);
        if (!file) return false;
        attachInput(std::move(file), slot);
        installInputServices(module, slot);
    }
    module.fileName = heapCopy(nameForModule(module, name));
    if (module.open && module.open()) return true;
    freeFileName(module);
    if (module.close) module.close();
    if (!(module.flags & ownInput)) detachInput(slot);
    return false;
}

}  // namespace

StreamModule* probeModules(const ModuleRegistry& registry, const std::string& name, InputSlot slot) {
    for (const ModuleEntry& entry : registry.entries()) {
        // The reader leaves alone the modules that play by themselves or read no file.
        if (slot == InputSlot::reader && (entry.record->flags & ownInput || !(entry.record->flags & pcmOutput)))
            continue;
        if (offer(*entry.record, name, slot)) return entry.record;
    }
    return nullptr;
}

void unloadModule(StreamModule& module, InputSlot slot) {
    freeFileName(module);
    if (module.close) module.close();
    if (!(module.flags & (keepInput | ownInput))) detachInput(slot);
}

bool offerSongInfo(const ModuleRegistry& registry, const char* name) {
    for (const ModuleEntry& entry : registry.entries()) {
        if (!entry.record->songInfo) continue;
        const std::string offered = name ? nameForModule(*entry.record, name) : std::string();
        if (entry.record->songInfo(name ? offered.c_str() : nullptr)) return true;
    }
    return false;
}

EntryDetails readEntryDetails(const ModuleRegistry& registry, const std::string& path) {
    EntryDetails details;
    details.title = path.substr(path.find_last_of("\\/") + 1);
    StreamModule* module = probeModules(registry, path, InputSlot::reader);
    if (!module) return details;
    if (module->start && module->start()) {
        if (module->titleText && module->titleText[0]) details.title = moduleText(*module, module->titleText);
        const int tenths = module->getLength ? module->getLength() : 0;
        if (tenths > 0) details.lengthSeconds = (tenths + 5) / 10;
    }
    unloadModule(*module, InputSlot::reader);
    return details;
}

std::string moduleText(const StreamModule& module, const char* text) {
    if (!text) return std::string();
    return (module.flags & utf8Text) ? std::string(text) : platform::utf8FromAnsi(text);
}

std::string unknownFormatMessage(const std::string& name) { return "Unknown file format : " + name; }

std::string startFailureMessage(const StreamModule& module) {
    return module.errorText ? moduleText(module, module.errorText) : "File format not supported yet";
}

}  // namespace tumbor
