// What the window reads from, and hands to, the playback engine and the
// playlist. The player implements it over the engine; tests use a fake.
#pragma once

#include <cstdint>
#include <string>

namespace tumbor::window {

class PlayerLink {
public:
    virtual ~PlayerLink() = default;
    virtual bool moduleLoaded() const = 0;
    // The position of the sound being heard: the module's position less what
    // is still queued, in tenths of a second.
    virtual int heardPositionTenths() const = 0;
    virtual bool hasLength() const = 0;
    virtual int lengthTenths() const = 0;
    virtual bool canSeek() const = 0;
    virtual bool paused() const = 0;
    // The song-position gauge's offset in 0..range.
    virtual int gaugePosition(int range) = 0;
    // The module's title, else the file name without its folder; "" with no module.
    virtual std::string title() const = 0;
    virtual int sampleRate() const = 0;
    virtual int bitrate() const = 0;
    virtual int playlistIndex() const = 0;
    virtual int playlistCount() const = 0;
    virtual void setVolume(uint32_t volume) = 0;
};

}  // namespace tumbor::window
