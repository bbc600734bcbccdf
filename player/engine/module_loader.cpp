// Probing follows the calling order of the stream contract: set fileName,
// lend the input services (or the null ones), call open, and on rejection
// free fileName and call close before trying the next module, which finds the
// input rewound. The input is closed when no module takes the file.
#include "player/engine/module_loader.h"

#include <cstdlib>
#include <cstring>
#include <memory>

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

// The file is opened once, for the first module that reads it through the
// input services, and rewound for each module after that one.
class ProbeInput {
public:
    ProbeInput(const std::string& name, InputSlot slot) : name_(name), slot_(slot) {}
    // False when the file cannot be opened (or is a location).
    bool ready() {
        if (tried_) return opened_;
        tried_ = true;
        std::unique_ptr<FileSource> file;
        if (name_.find("://") == std::string::npos) file = FileSource::open(name_);
        opened_ = file != nullptr;
        if (opened_) attachInput(std::move(file), slot_);
        return opened_;
    }
    void close() {
        if (opened_) detachInput(slot_);
        opened_ = false;
    }

private:
    const std::string& name_;
    InputSlot slot_;
    bool tried_ = false, opened_ = false;
};

bool offer(StreamModule& module, const std::string& name, InputSlot slot) {
    if (module.flags & ownInput) {
        installNullInputServices(module);
    } else {
        rewindInput(slot);
        installInputServices(module, slot);
    }
    module.fileName = heapCopy(nameForModule(module, name));
    if (module.open && module.open()) return true;
    freeFileName(module);
    if (module.close) module.close();
    return false;
}

}  // namespace

StreamModule* probeModules(const ModuleRegistry& registry, const std::string& name, InputSlot slot) {
    ProbeInput input(name, slot);
    for (const ModuleEntry& entry : registry.entries()) {
        StreamModule& module = *entry.record;
        // The reader leaves alone the modules that play by themselves or read no file.
        if (slot == InputSlot::reader && (module.flags & ownInput || !(module.flags & pcmOutput))) continue;
        if (!(module.flags & ownInput) && !input.ready()) continue;
        if (!offer(module, name, slot)) continue;
        if (module.flags & ownInput) input.close();
        return &module;
    }
    input.close();
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
        platform::WaveFormat format;
        format.sampleRate = module->sampleRate;
        format.channels = module->channels;
        format.bitsPerSample = module->bitsPerSample;
        details.format = format;
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
