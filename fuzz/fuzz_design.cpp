// libFuzzer target: a design file's text through the grammar, the build and
// the window's drawing and hit-testing. Every picture it names is a small
// fixed one, so the fuzzer explores geometry rather than picture files.
#include "player/window/design_builder.h"
#include "player/window/design_parser.h"
#include "player/window/window_input.h"
#include "player/window/window_view.h"

namespace {

using namespace tumbor::window;

class BlankPainter : public TextPainter {
public:
    int verticalDpi() const override { return 96; }
    void drawText(Surface& target, const Rect& rect, const std::string&, const FontSpec&, Colour colour,
                  TextLayout) override {
        target.setPixel(rect.left, rect.top, colour);
    }
};

class IdlePlayer : public PlayerLink {
public:
    bool moduleLoaded() const override { return true; }
    int heardPositionTenths() const override { return 1234; }
    bool hasLength() const override { return true; }
    int lengthTenths() const override { return 5000; }
    bool canSeek() const override { return true; }
    bool paused() const override { return false; }
    int gaugePosition(int range) override { return range / 3; }
    std::string title() const override { return "Fuzzed Title 123 !?"; }
    int sampleRate() const override { return 44100; }
    int bitrate() const override { return 128000; }
    int playlistIndex() const override { return 2; }
    int playlistCount() const override { return 5; }
    void setVolume(uint32_t) override {}
};

// Window sizes the fuzzer may build; bigger ones only cost time.
constexpr int kMaxFuzzedSide = 600;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WindowModel model;
    parseDesignText(std::string(reinterpret_cast<const char*>(data), size), model);
    if (model.windowWidth > kMaxFuzzedSide || model.windowHeight > kMaxFuzzedSide) return 0;
    BlankPainter painter;
    auto reader = [](const std::string& name, Surface& picture) {
        if (name.size() < 2) return false;
        picture = Surface(static_cast<unsigned char>(name[0]) % 64 + 1,
                          static_cast<unsigned char>(name[1]) % 64 + 1);
        picture.fill(rgb(name[0], name[1], 0));
        return true;
    };
    if (!buildDesign(model, reader, painter)) return 0;
    IdlePlayer player;
    WindowView view(model, painter, player);
    WindowInput input(model, view, player);
    view.startLook();
    view.tick();
    const int w = model.windowWidth, h = model.windowHeight;
    for (int n = 1; n <= kControlCount; ++n) {
        const ControlSlot& slot = model.control(n);
        input.mouseMove(slot.left + 1, slot.top + 1);
        input.leftDown(slot.left + 1, slot.top + 1);
        input.mouseMove(slot.left + slot.width / 2, slot.top + slot.height - 1);
        input.leftUp(w / 2, h / 2);
        input.rightDown(slot.left, slot.top);
        input.rightUp(slot.left, slot.top);
    }
    view.toggleTimeMode();
    view.tick();
    view.drawTitle();
    return 0;
}
