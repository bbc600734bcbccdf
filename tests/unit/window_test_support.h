// Doubles and helpers for the window tests: a text painter that records what
// it was asked to draw, a scriptable player, BMP files built byte by byte and
// a temporary folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "player/window/player_link.h"
#include "player/window/text_painter.h"

namespace tumbor::testing {

struct DrawnText {
    window::Rect rect;
    std::string text;
    window::FontSpec font;
    window::Colour colour;
    window::TextLayout layout;
};

// Records every text; draws a 1-pixel mark in the colour at the rect's
// top-left corner so tests can see that and where text went into a surface.
class RecordingTextPainter : public window::TextPainter {
public:
    int verticalDpi() const override { return 96; }
    void drawText(window::Surface& target, const window::Rect& rect, const std::string& text,
                  const window::FontSpec& font, window::Colour colour, window::TextLayout layout) override {
        texts.push_back({rect, text, font, colour, layout});
        target.setPixel(rect.left, rect.top, colour);
    }
    std::vector<DrawnText> texts;
};

class FakePlayer : public window::PlayerLink {
public:
    bool moduleLoaded() const override { return loaded; }
    int heardPositionTenths() const override { return position; }
    bool hasLength() const override { return length >= 0; }
    int lengthTenths() const override { return length; }
    bool canSeek() const override { return seekable; }
    bool paused() const override { return isPaused; }
    int gaugePosition(int range) override { return gaugeFraction1024 * range / 1024; }
    std::string title() const override { return songTitle; }
    int sampleRate() const override { return rate; }
    int bitrate() const override { return bits; }
    int playlistIndex() const override { return index; }
    int playlistCount() const override { return count; }
    void setVolume(uint32_t value) override { volume = value; }

    bool loaded = false;
    int position = 0;
    int length = -1;  // none
    bool seekable = true;
    bool isPaused = false;
    int gaugeFraction1024 = 0;
    std::string songTitle;
    int rate = 44100, bits = 128000;
    int index = 0, count = 0;
    uint32_t volume = 0;
};

// A BMP file: the headers for width x height at bits per pixel with the given
// compression and colour count, then payload (colour table and pixels) as is.
std::vector<uint8_t> bmpFile(int width, int height, int bits, uint32_t compression, uint32_t coloursUsed,
                             const std::vector<uint8_t>& payload);

// A fresh folder under the test's temporary folder, removed by the destructor.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    std::string path(const std::string& name = "") const;
    void write(const std::string& name, const std::string& text) const;
    void write(const std::string& name, const std::vector<uint8_t>& bytes) const;

private:
    std::filesystem::path folder_;
};

}  // namespace tumbor::testing
