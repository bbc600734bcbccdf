// The window's view of the real playback engine.
#pragma once

#include "player/engine/playback_engine.h"
#include "player/engine/playlist.h"
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
    // The playlist-position gauge follows this list; without one there is no list.
    void setPlaylist(const Playlist* playlist) { playlist_ = playlist; }
    int playlistIndex() const override { return playlist_ ? playlist_->currentIndex() : 0; }
    int playlistCount() const override { return playlist_ ? static_cast<int>(playlist_->size()) : 0; }
    void setVolume(uint32_t volume) override { engine_.setVolume(volume, 0xFFFF); }

private:
    PlaybackEngine& engine_;
    const Playlist* playlist_ = nullptr;
};

}  // namespace tumbor::window
