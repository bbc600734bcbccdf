// Reading the current module's position, length, title and rates for the window.
#include "player/window/engine_player_link.h"

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
    return file.substr(file.find_last_of("\\/") + 1);  // without its folder
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
