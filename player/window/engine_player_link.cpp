// Reading the current module's position, length, title and rates for the window.
#include "player/window/engine_player_link.h"

#include "player/window/file_names.h"

namespace tumbor::window {

int EnginePlayerLink::heardPositionTenths() const {
    StreamModule* module = engine_.currentModule();
    if (!module || !module->getPosition) return 0;
    return module->getPosition() - engine_.getQueuedTenths();
}

bool EnginePlayerLink::hasLength() const {
    StreamModule* module = engine_.currentModule();
    return module && module->getLength;
}

int EnginePlayerLink::lengthTenths() const { return hasLength() ? engine_.currentModule()->getLength() : 0; }

bool EnginePlayerLink::canSeek() const {
    StreamModule* module = engine_.currentModule();
    return module && module->seek;
}

std::string EnginePlayerLink::title() const {
    StreamModule* module = engine_.currentModule();
    if (!module) return std::string();
    if (module->titleText && module->titleText[0]) return module->titleText;
    const std::string file = engine_.currentFile();
    const std::string folder = folderOf(file);
    return folder.empty() && file.find_first_of("\\/") == std::string::npos ? file
                                                                            : file.substr(folder.size() + 1);
}

int EnginePlayerLink::sampleRate() const {
    StreamModule* module = engine_.currentModule();
    return module ? static_cast<int>(module->sampleRate) : 0;
}

int EnginePlayerLink::bitrate() const {
    StreamModule* module = engine_.currentModule();
    return module && module->getBitrate ? module->getBitrate() : 0;
}

}  // namespace tumbor::window
