// The window's view of the real playback engine.
#pragma once

#include "player/engine/playback_engine.h"
#include "player/window/player_link.h"

namespace tumbor::window {

class EnginePlayerLink : public PlayerLink {
public:
    explicit EnginePlayerLink(PlaybackEngine& engine) : engine_(engine) {}

    bool moduleLoaded() const override { return engine_.nowPlaying().loaded; }
    int heardPositionTenths() const override;
    bool hasLength() const override;
    int lengthTenths() const override;
    bool canSeek() const override;
    bool paused() const override { return engine_.getState() == PlaybackEngine::kPaused; }
    int gaugePosition(int range) override { return engine_.getGaugePosition(range); }
    std::string title() const override;
    int sampleRate() const override;
    int bitrate() const override;
    // The playlist window arrives later; until then there is no list.
    int playlistIndex() const override { return 0; }
    int playlistCount() const override { return 0; }
    void setVolume(uint32_t volume) override { engine_.setVolume(volume, 0xFFFF); }

private:
    PlaybackEngine& engine_;
};

}  // namespace tumbor::window
