// Parsing and performing tumbor-play's timed actions.
#include "tools/play/play_script.h"

#include <cstdio>

namespace tumbor {

bool parsePlayAction(const std::string& text, PlayAction& action) {
    char name[16] = {};
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%d:%15[a-z+-]%n", &action.atMilliseconds, name, &consumed) != 2 ||
        action.atMilliseconds < 0)
        return false;
    std::string rest = text.substr(static_cast<size_t>(consumed));
    std::string kind = name;
    using Kind = PlayAction::Kind;
    if (kind == "seek") {
        action.kind = Kind::seek;
        return std::sscanf(rest.c_str(), ":%d/%d", &action.value, &action.width) == 2;
    }
    if (kind == "volume") {
        action.kind = Kind::volume;
        return std::sscanf(rest.c_str(), ":%d", &action.value) == 1;
    }
    if (!rest.empty()) return false;
    if (kind == "pause") action.kind = Kind::pause;
    else if (kind == "resume") action.kind = Kind::resume;
    else if (kind == "stop") action.kind = Kind::stop;
    else if (kind == "skip+") action.kind = Kind::skipForward;
    else if (kind == "skip-") action.kind = Kind::skipBack;
    else if (kind == "release") action.kind = Kind::release;
    else return false;
    return true;
}

void applyPlayAction(PlaybackEngine& engine, const PlayAction& action) {
    using Kind = PlayAction::Kind;
    switch (action.kind) {
        case Kind::pause: engine.pause(); break;
        case Kind::resume: engine.play(); break;
        case Kind::stop: engine.stop(1); break;
        case Kind::skipForward: engine.requestSkip(true); break;
        case Kind::skipBack: engine.requestSkip(false); break;
        case Kind::release: engine.clearSkip(); break;
        case Kind::seek: engine.requestSeek(action.value, action.width); break;
        case Kind::volume: engine.setVolume(static_cast<uint32_t>(action.value), 0x10000); break;
    }
}

}  // namespace tumbor
