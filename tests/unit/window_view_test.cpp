// The main window's moving parts: time display, gauges, LED title, captions,
// and the hit-testing state machine, on a small design built in the test.
#include "player/window/window_view.h"

#include <gtest/gtest.h>

#include "player/window/ascii_fallback.h"
#include "player/window/design_builder.h"
#include "player/window/design_parser.h"
#include "player/window/led_renderer.h"
#include "player/window/window_input.h"
#include "tests/unit/window_test_support.h"

namespace tumbor::window {
namespace {

// Digit strip cells are solid colours: cell n has red n * 20 + 5.
Surface digitStrip(int cells, int cellWidth, int height) {
    Surface strip(cells * cellWidth, height);
    for (int n = 0; n < cells; ++n)
        strip.fillRect(Rect{n * cellWidth, 0, (n + 1) * cellWidth, height}, rgb(n * 20 + 5, 0, 0));
    return strip;
}

Surface buttonPicture(Colour colour) {
    Surface s(10, 10);
    s.fill(colour);
    return s;
}

class WindowViewTest : public ::testing::Test {
protected:
    void load(const std::string& design) {
        parseDesignText(design, model_);
        auto reader = [](const std::string& name, Surface& picture) {
            if (name == "n12.bmp")
                picture = digitStrip(12, 4, 6);
            else if (name == "b1.bmp")
                picture = buttonPicture(rgb(1, 1, 1));
            else if (name == "b2.bmp")
                picture = buttonPicture(rgb(2, 2, 2));
            else if (name == "b3.bmp")
                picture = buttonPicture(rgb(3, 3, 3));
            else if (name == "vol.bmp") {
                picture = Surface(60, 10);
                picture.fillRect(Rect{50, 0, 60, 10}, rgb(9, 9, 9));  // normal slider at x 50
                picture.fillRect(Rect{40, 0, 50, 10}, rgb(8, 8, 8));  // moving slider at x 40
            } else
                return false;
            return true;
        };
        ASSERT_TRUE(buildDesign(model_, reader, painter_));
        view_.startLook();
        input_.reset();
    }

    int cellAt(int x, int y) const { return (redOf(model_.backBuffer.pixel(x, y)) - 5) / 20; }

    static constexpr const char* kDesign =
        "[general]\nwindowwidth=120\nwindowheight=60\nhidewindowborder=1\n"
        "[time]\nbitmap=n12.bmp\npos1x=0\npos2x=5\npos3x=10\npos4x=15\nposmx=20\nposmy=0\n"
        "[button play]\nleft=30\ntop=0\nwidth=10\nheight=10\nbitmap1=b1.bmp\nbitmap2=b2.bmp\nbitmap3=b3.bmp\n"
        "transparency=0\n"
        "[button stop]\nleft=40\ntop=0\nwidth=10\nheight=10\nbitmap1=b1.bmp\nbitmap2=b2.bmp\nbitmap3=b3.bmp\n"
        "transparency=0\n"
        "[button shuffle]\nleft=50\ntop=0\nwidth=5\nheight=10\nbitmap1=b1.bmp\ntransparency=0\n"
        "[gauge songpos]\nleft=0\ntop=20\nwidth=50\nheight=6\ncolor foreground=$FF\ncolor "
        "background=$FF0000\n"
        "[gauge "
        "volume]\nleft=0\ntop=40\nwidth=40\nheight=10\nbitmap=vol.bmp\nwidthslider=10\nheightslider=10\n"
        "normalsliderx=50\nmovingsliderx=40\n"
        "[label songname]\nleft=60\ntop=20\nwidth=38\nheight=19\nuse leds=1\ndigisize x=3\ndigisize y=3\n"
        "active color=$FFFFFF\ninactive color=$000040\n";

    WindowModel model_;
    testing::RecordingTextPainter painter_;
    testing::FakePlayer player_;
    WindowView view_{model_, painter_, player_};
    WindowInput input_{model_, view_, player_};
};

TEST_F(WindowViewTest, TimeDisplayNeverStepsBackByOneSecond) {
    load(kDesign);
    EXPECT_EQ(cellAt(0, 0), 0);
    EXPECT_EQ(model_.backBuffer.pixel(20, 0), 0xFFFFFFu) << "no minus sign without a module";
    player_.loaded = true;
    player_.length = 6000;
    player_.position = 6255;  // 625 s: 10:25
    EXPECT_TRUE(view_.drawTime());
    EXPECT_EQ(cellAt(0, 0), 1);
    EXPECT_EQ(cellAt(5, 0), 0);
    EXPECT_EQ(cellAt(10, 0), 2);
    EXPECT_EQ(cellAt(15, 0), 5);
    EXPECT_EQ(cellAt(20, 0), 10) << "elapsed mode shows cell 10";
    player_.position = 6249;
    EXPECT_FALSE(view_.drawTime()) << "one second back is not shown";
    player_.position = 6230;
    EXPECT_TRUE(view_.drawTime());
    EXPECT_EQ(cellAt(15, 0), 3);

    view_.toggleTimeMode();  // remaining: 600 - 623 < 0 gives 0
    EXPECT_TRUE(view_.drawTime());
    EXPECT_EQ(cellAt(15, 0), 0);
    EXPECT_EQ(cellAt(20, 0), 11) << "remaining mode shows the minus sign";
    player_.position = 100;  // 590 s left
    EXPECT_TRUE(view_.drawTime());
    player_.position = 95;  // 591: one second more is not shown while counting down
    EXPECT_FALSE(view_.drawTime());

    player_.length = -1;        // without a length: no minus sign
    player_.position = 200000;  // beyond 99999 s: 0
    EXPECT_TRUE(view_.drawTime());
    EXPECT_EQ(cellAt(15, 0), 0);
}

TEST_F(WindowViewTest, DrawnSongPositionGaugeFillsToTheOffset) {
    load(kDesign);
    player_.gaugeFraction1024 = 512;  // half of 50 - 2
    EXPECT_TRUE(view_.tick());
    const Surface& back = model_.backBuffer;
    for (int x = 1; x <= 48; ++x)
        EXPECT_EQ(back.pixel(x, 21), x <= 24 ? rgb(255, 0, 0) : rgb(0, 0, 255)) << x;
    EXPECT_EQ(back.pixel(0, 21), 0u) << "the frame stays";
    EXPECT_EQ(back.pixel(49, 21), 0u);
    EXPECT_FALSE(view_.drawSongPosition()) << "same offset, nothing drawn";
}

TEST_F(WindowViewTest, VolumeSliderFollowsTheMouse) {
    load(kDesign);
    const Surface& back = model_.backBuffer;
    EXPECT_EQ(back.pixel(30, 45), rgb(9, 9, 9)) << "full volume puts the slider at the right end";
    input_.mouseMove(20, 45);
    EXPECT_EQ(input_.hot(), kVolume);
    input_.leftDown(20, 45);  // e = 20 - 5 = 15 of 30
    EXPECT_EQ(player_.volume, 15u * 65536 / 30);
    EXPECT_EQ(back.pixel(15, 45), rgb(8, 8, 8)) << "the moving slider while dragging";
    input_.mouseMove(200, 45);  // far outside: stays hot and clamps
    EXPECT_EQ(input_.hot(), kVolume);
    EXPECT_EQ(player_.volume, 65536u);
    auto actions = input_.leftUp(200, 45);
    ASSERT_FALSE(actions.empty());
    EXPECT_EQ(actions.back().kind, WindowAction::activate);
    EXPECT_EQ(back.pixel(30, 45), rgb(9, 9, 9));
    EXPECT_EQ(view_.volume(), 65536);
}

TEST_F(WindowViewTest, HotControlsAndPresses) {
    load(kDesign);
    const Surface& back = model_.backBuffer;
    input_.mouseMove(32, 2);
    EXPECT_EQ(input_.hot(), kPlay);
    EXPECT_EQ(back.pixel(32, 2), rgb(2, 2, 2)) << "hot picture";
    input_.mouseMove(42, 2);  // straight onto the next button
    EXPECT_EQ(input_.hot(), kStop);
    EXPECT_EQ(back.pixel(32, 2), rgb(1, 1, 1)) << "the first back to normal";
    EXPECT_EQ(back.pixel(42, 2), rgb(2, 2, 2));

    input_.leftDown(42, 2);
    EXPECT_EQ(back.pixel(42, 2), rgb(3, 3, 3)) << "pressed";
    input_.mouseMove(80, 50);  // leave while pressed
    EXPECT_EQ(input_.hot(), kNothingHot);
    auto actions = input_.leftUp(80, 50);
    EXPECT_TRUE(actions.empty()) << "a release outside does nothing";

    input_.mouseMove(52, 2);
    input_.leftDown(52, 2);
    actions = input_.leftUp(52, 2);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].control, kShuffle);
    EXPECT_EQ(model_.control(kShuffle).onState, 1);

    input_.mouseMove(100, 55);  // the background: a press starts a drag
    input_.leftDown(100, 55);
    EXPECT_TRUE(input_.dragging());
    actions = input_.mouseMove(110, 57);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].kind, WindowAction::moveWindow);
    actions = input_.leftUp(110, 57);
    EXPECT_EQ(actions[0].kind, WindowAction::endDrag);

    input_.mouseMove(1, 1);  // a time digit
    EXPECT_EQ(input_.hot(), kTimeDisplay);
    input_.leftDown(1, 1);
    input_.leftUp(1, 1);
    EXPECT_TRUE(view_.remainingMode());

    input_.mouseMove(70, 30);
    EXPECT_EQ(input_.hot(), kSongNameLabel);
    actions = input_.rightDown(70, 30);
    EXPECT_TRUE(actions.empty());
    actions = input_.rightUp(70, 30);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].kind, WindowAction::togglePlugin);
    input_.mouseMove(110, 10);
    actions = input_.rightDown(110, 10);
    EXPECT_EQ(actions[0].kind, WindowAction::mainMenu);
}

TEST_F(WindowViewTest, SongPositionNeedsASeekableModule) {
    load(kDesign);
    player_.seekable = false;
    input_.mouseMove(10, 22);
    EXPECT_EQ(input_.hot(), kNothingHot);
    player_.seekable = true;
    input_.mouseMove(10, 22);
    EXPECT_EQ(input_.hot(), kSongPosition);
    input_.leftDown(10, 22);
    auto actions = input_.leftUp(10, 22);
    ASSERT_FALSE(actions.empty());
    EXPECT_EQ(actions[0].kind, WindowAction::seek);
    EXPECT_EQ(actions[0].x, 10);
    EXPECT_EQ(actions[0].range, 50);
}

TEST_F(WindowViewTest, LedTitleAndCaption) {
    load(kDesign);
    player_.loaded = true;
    player_.songTitle = "I";
    player_.isPaused = true;
    view_.drawTitle();
    EXPECT_EQ(view_.caption(), "Tumbor - I (paused)");
    EXPECT_EQ(view_.titleTip(), "I [Left click] TAG editor  [Right click] Toggle plugin");
    // Pitch 8, right = 60 + 38 + 1, so 40 / 8 = 5 cells at x 61, 69, ...; m = 5, h = 5, r = 2.
    // "I" lights the upper and lower centre (bits 4 and 7): column x = 61 + 2, rows 1..9 except 5.
    const Surface& back = model_.backBuffer;
    const Colour lit = 0xFFFFFF, unlit = 0x40;  // $000040 is a dark red
    EXPECT_EQ(back.pixel(63, 22), lit);
    EXPECT_EQ(back.pixel(63, 30), lit);
    EXPECT_EQ(back.pixel(61, 22), unlit) << "upper left segment";
    EXPECT_EQ(back.pixel(62, 21), unlit) << "top segment";
    EXPECT_EQ(back.pixel(66, 21), 0xFFFFFFu) << "segments end before their last point";
    EXPECT_EQ(back.pixel(71, 22), unlit) << "the next cell is unlit";
    EXPECT_EQ(back.pixel(97, 21), unlit) << "the fifth cell";
    EXPECT_EQ(back.pixel(102, 21), 0xFFFFFFu) << "only whole cells";

    EXPECT_EQ(ledMaskOf('a'), ledMaskOf('A'));
    EXPECT_EQ(ledMaskOf('@'), 0x1FFF);
    EXPECT_EQ(ledMaskOf('\x7F'), 0x1804);
    EXPECT_EQ(ledMaskOf('\x1F'), 0);
}

// Beyond ASCII, the LED title shows one cell per character, the cell of its
// ASCII fallback.
TEST(LedTextTest, CharactersBeyondAsciiShowTheirFallback) {
    struct Case {
        char32_t character, shown;
    };
    for (Case k : {Case{U'\u00E9', 'e'}, Case{U'\u0141', 'L'}, Case{U'\u0159', 'r'}, Case{U'\u017F', 's'},
                   Case{U'\u00DF', 's'}, Case{U'\u2013', '-'}, Case{U'\u201C', '"'}, Case{U'\u2019', '\''},
                   Case{U'\u00A0', ' '}, Case{U'\u00D7', '?'}, Case{U'\u96E8', '?'}, Case{U'\u0080', '?'},
                   Case{U'\u0414', '?'}, Case{'A', 'A'}}) {
        EXPECT_EQ(asciiFallback(k.character), k.shown) << static_cast<uint32_t>(k.character);
        EXPECT_EQ(ledMaskOf(k.character), ledMaskOf(k.shown)) << static_cast<uint32_t>(k.character);
    }
    const auto drawn = [](const std::string& text) {
        Surface target(60, 12);
        drawLedText(target, 0, 0, 59, text, LedStyle{});
        return std::vector<uint8_t>(target.bits(), target.bits() + target.stride() * target.height());
    };
    EXPECT_EQ(drawn("Bj\xC3\xB6rk \xE2\x80\x93"), drawn("Bjork -"));
    EXPECT_EQ(drawn("\xE9\x9B\xA8!"), drawn("?!"));
}

}  // namespace
}  // namespace tumbor::window

namespace tumbor::window {
namespace {

// A bitmap song-position gauge: slider picture at x 100 (normal) and 110 (moving);
// a vertical volume gauge with its slider at (0, 40).
class BitmapGaugeTest : public ::testing::Test {
protected:
    void SetUp() override {
        parseDesignText(
            "[general]\nwindowwidth=200\nwindowheight=80\nhidewindowborder=1\n"
            "[gauge songpos]\nleft=10\ntop=10\nwidth=100\nheight=4\nbitmap=pos.bmp\nwidthslider=10\n"
            "heightslider=4\nnormalsliderx=100\nmovingsliderx=110\n"
            "[gauge volume]\nleft=150\ntop=10\nwidth=6\nheight=50\nbitmap=vol.bmp\nwidthslider=6\n"
            "heightslider=10\nnormalsliderx=0\nnormalslidery=50\nmovingsliderx=0\nmovingslidery=60\n"
            "orientation=1\n"
            "[label songname]\nleft=10\ntop=40\nwidth=100\nheight=10\n",
            model_);
        auto reader = [](const std::string& name, Surface& picture) {
            picture = Surface(name == "pos.bmp" ? 120 : 6, name == "pos.bmp" ? 4 : 70);
            picture.fill(rgb(1, 1, 1));
            if (name == "pos.bmp") {
                picture.fillRect(Rect{100, 0, 110, 4}, rgb(2, 2, 2));
                picture.fillRect(Rect{110, 0, 120, 4}, rgb(3, 3, 3));
            } else {
                picture.fillRect(Rect{0, 50, 6, 60}, rgb(2, 2, 2));
                picture.fillRect(Rect{0, 60, 6, 70}, rgb(3, 3, 3));
            }
            return true;
        };
        ASSERT_TRUE(buildDesign(model_, reader, painter_));
        player_.loaded = true;
        player_.length = 1800;  // three minutes
        view_.startLook();
    }

    WindowModel model_;
    testing::RecordingTextPainter painter_;
    testing::FakePlayer player_;
    WindowView view_{model_, painter_, player_};
    WindowInput input_{model_, view_, player_};
};

TEST_F(BitmapGaugeTest, DraggedSliderClampsAndShowsTheTarget) {
    const Surface& back = model_.backBuffer;
    EXPECT_EQ(back.pixel(10, 10), rgb(2, 2, 2)) << "slider at offset 0";
    input_.mouseMove(60, 11);
    input_.leftDown(60, 11);
    input_.mouseMove(500, 11);  // past the right end: clamped to 90
    EXPECT_EQ(back.pixel(100, 10), rgb(3, 3, 3)) << "the moving slider at the end";
    ASSERT_FALSE(painter_.texts.empty());
    EXPECT_EQ(painter_.texts.back().text, "SEEK TO: 03:00");
    player_.gaugeFraction1024 = 512;
    view_.tick();
    EXPECT_EQ(back.pixel(100, 10), rgb(3, 3, 3)) << "the tick leaves a dragged slider alone";
    auto actions = input_.leftUp(500, 11);
    ASSERT_FALSE(actions.empty());
    EXPECT_EQ(actions[0].kind, WindowAction::seek);
    EXPECT_EQ(actions[0].x, 485);
    EXPECT_EQ(actions[0].range, 90);

    player_.length = -1;  // no length: a percentage
    input_.mouseMove(33, 11);
    input_.leftDown(33, 11);
    input_.mouseMove(33, 11);
    EXPECT_EQ(painter_.texts.back().text, "SEEK TO: 20%");
}

TEST_F(BitmapGaugeTest, VerticalVolume) {
    const Surface& back = model_.backBuffer;
    EXPECT_EQ(back.pixel(150, 10), rgb(2, 2, 2)) << "full volume at the top";
    input_.mouseMove(152, 30);
    input_.leftDown(152, 30);  // e = 30 - 5 - 10 = 15 of 40
    EXPECT_EQ(player_.volume, 65535u - 15 * 65536 / 40);
    EXPECT_EQ(back.pixel(150, 25), rgb(3, 3, 3));
    EXPECT_EQ(painter_.texts.back().text, "VOLUME: 63%");
    input_.mouseMove(152, -100);
    EXPECT_EQ(player_.volume, 65535u);
}

}  // namespace
}  // namespace tumbor::window

namespace tumbor::window {
namespace {

TEST(WindowInputButtons, SkipOptionsAndLabelActions) {
    WindowModel model;
    parseDesignText(
        "[general]\nwindowwidth=100\nwindowheight=40\n"
        "[button rewind]\nleft=0\ntop=0\nwidth=10\nheight=10\ncaption=<<\n"
        "[button fast forward]\nleft=10\ntop=0\nwidth=10\nheight=10\ncaption=>>\n"
        "[button options]\nleft=20\ntop=0\nwidth=10\nheight=10\ncaption=O\n"
        "[button disk operations]\nleft=30\ntop=0\nwidth=10\nheight=10\ncaption=D\n"
        "[label songname]\nleft=0\ntop=20\nwidth=90\nheight=10\n",
        model);
    testing::RecordingTextPainter painter;
    testing::FakePlayer player;
    ASSERT_TRUE(buildDesign(
        model, [](const std::string&, Surface&) { return false; }, painter));
    WindowView view(model, painter, player);
    WindowInput input(model, view, player);

    input.mouseMove(15, 5);
    auto actions = input.leftDown(15, 5);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].kind, WindowAction::skip);
    EXPECT_EQ(actions[0].x, 2) << "fast forward";
    actions = input.leftUp(15, 5);
    ASSERT_GE(actions.size(), 1u);
    EXPECT_EQ(actions[0].kind, WindowAction::cancelSkip);

    input.mouseMove(25, 5);
    actions = input.leftDown(25, 5);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].kind, WindowAction::mainMenu) << "options opens the menu on the press";
    EXPECT_EQ(input.hot(), kNothingHot);
    input.leftUp(25, 5);

    input.mouseMove(35, 5);
    actions = input.rightDown(35, 5);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].kind, WindowAction::loadMenu) << "a right click on disk operations";
    input.rightUp(35, 5);

    input.mouseMove(50, 25);
    EXPECT_EQ(input.hot(), kSongNameLabel);
    actions = input.leftDown(50, 25);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].kind, WindowAction::songInfo);
    EXPECT_FALSE(input.leftButtonDown());
}

}  // namespace
}  // namespace tumbor::window
