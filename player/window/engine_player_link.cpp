// Reading the current song's position, length, title and rates for the window,
// each through the engine's snapshot so a song ending meanwhile cannot pull
// the module away halfway through a read.
#include "player/window/engine_player_link.h"

namespace tumbor::window {

int EnginePlayerLink::heardPositionTenths() const { return engine_.nowPlaying().heardTenths; }

bool EnginePlayerLink::hasLength() const { return engine_.nowPlaying().lengthTenths >= 0; }

int EnginePlayerLink::lengthTenths() const {
    int length = engine_.nowPlaying().lengthTenths;
    return length >= 0 ? length : 0;
}

bool EnginePlayerLink::canSeek() const { return engine_.nowPlaying().canSeek; }

std::string EnginePlayerLink::title() const { return engine_.nowPlaying().title; }

int EnginePlayerLink::sampleRate() const { return engine_.nowPlaying().sampleRate; }

int EnginePlayerLink::bitrate() const { return engine_.nowPlaying().bitrate; }

}  // namespace tumbor::window
