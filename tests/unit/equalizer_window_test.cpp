// The equalizer window's portable core: hit-testing, the slider mapping, the
// mouse state machine, the pictures it is drawn from and the preset choices.
#include <gtest/gtest.h>

#include <filesystem>

#include "player/window/bmp_writer.h"
#include "player/window/equalizer_input.h"
#include "player/window/equalizer_preset_choices.h"
#include "player/window/equalizer_view.h"
#include "tests/unit/window_test_support.h"
#include "tools/design_gen/test_skin.h"

namespace tumbor::window {
namespace {

TEST(EqualizerLayoutTest, HitTestingFollowsTheWidth) {
    struct Case {
        int width, x, y;
        EqualizerPart part;
        int slider;
    };
    const Case cases[] = {
        {275, 14, 18, EqualizerPart::onSwitch, -1},      {275, 39, 29, EqualizerPart::onSwitch, -1},
        {275, 217, 20, EqualizerPart::presets, -1},      {320, 217, 20, EqualizerPart::none, -1},
        {320, 262, 29, EqualizerPart::presets, -1},      {275, 264, 3, EqualizerPart::close, -1},
        {275, 21, 38, EqualizerPart::slider, 0},         {275, 34, 100, EqualizerPart::slider, 0},
        {275, 78, 60, EqualizerPart::slider, 1},         {275, 92, 60, EqualizerPart::none, -1},
        {275, 240 + 13, 100, EqualizerPart::slider, 10}, {275, 240, 101, EqualizerPart::none, -1},
        {275, 100, 5, EqualizerPart::titleBar, -1},      {275, 275, 50, EqualizerPart::none, -1},
    };
    for (const Case& c : cases) {
        const EqualizerHit hit = EqualizerLayout{c.width}.hitTest(c.x, c.y);
        EXPECT_EQ(hit.part, c.part) << c.width << ": " << c.x << "," << c.y;
        EXPECT_EQ(hit.slider, c.slider) << c.width << ": " << c.x << "," << c.y;
    }
}

TEST(EqualizerLayoutTest, SliderPositionsAndLevelsMapOntoEachOther) {
    struct Case {
        int tenths, thumbTop;
    };
    for (const Case c : {Case{120, 0}, Case{0, 25}, Case{-120, 50}, Case{60, 13}, Case{-5, 26}, Case{500, 0},
                         Case{-500, 50}})
        EXPECT_EQ(equalizerThumbTop(c.tenths), c.thumbTop) << c.tenths;
    // Every thumb position gives a level that puts the thumb back there.
    for (int top = 0; top <= kEqualizerThumbTravel; ++top)
        EXPECT_EQ(equalizerThumbTop(equalizerTenthsAt(top + kEqualizerThumbSize / 2)), top) << top;
    EXPECT_EQ(equalizerTenthsAt(5 + 25), 0);
    EXPECT_EQ(equalizerTenthsAt(-40), 120);
    EXPECT_EQ(equalizerTenthsAt(400), -120);
    EXPECT_EQ(equalizerTenthsAfterWheel(0, 3), 30);
    EXPECT_EQ(equalizerTenthsAfterWheel(-115, -1), -120);
}

TEST(EqualizerInputTest, SlidersSwitchAndButtons) {
    EqualizerLayout layout;
    EqualizerInput input(layout);
    EqualizerSettings settings;
    using R = EqualizerRequest;
    const Rect band5 = layout.slider(5);
    struct Step {
        const char* what;
        R (*act)(EqualizerInput&, EqualizerSettings&, const Rect&);
        R expected;
        bool enabled;
        int band5Tenths;
    };
    const Step steps[] = {
        {"press at the top", [](auto& in, auto& s, const Rect& r) { return in.leftDown(r.left, r.top, s); },
         R::apply, false, 120},
        {"drag below it", [](auto& in, auto& s, const Rect& r) { return in.mouseMove(0, r.bottom + 40, s); },
         R::apply, false, -120},
        {"drag further", [](auto& in, auto& s, const Rect& r) { return in.mouseMove(0, r.bottom + 90, s); },
         R::none, false, -120},
        {"release", [](auto& in, auto& s, const Rect&) { return in.leftUp(0, 0, s); }, R::redraw, false,
         -120},
        {"move unheld", [](auto& in, auto& s, const Rect& r) { return in.mouseMove(0, r.top, s); }, R::none,
         false, -120},
        {"wheel down", [](auto& in, auto& s, const Rect& r) { return in.wheel(r.left, r.top, -1, s); },
         R::none, false, -120},
        {"wheel up", [](auto& in, auto& s, const Rect& r) { return in.wheel(r.left, r.top, 3, s); }, R::apply,
         false, -90},
        {"wheel elsewhere", [](auto& in, auto& s, const Rect&) { return in.wheel(1, 110, 3, s); }, R::none,
         false, -90},
        {"press the switch", [](auto& in, auto& s, const Rect&) { return in.leftDown(20, 20, s); }, R::redraw,
         false, -90},
        {"release on it", [](auto& in, auto& s, const Rect&) { return in.leftUp(21, 21, s); }, R::apply, true,
         -90},
        {"press it again", [](auto& in, auto& s, const Rect&) { return in.leftDown(20, 20, s); }, R::redraw,
         true, -90},
        {"release away", [](auto& in, auto& s, const Rect&) { return in.leftUp(100, 100, s); }, R::redraw,
         true, -90},
        {"press presets", [](auto& in, auto& s, const Rect&) { return in.leftDown(220, 20, s); }, R::redraw,
         true, -90},
        {"release presets", [](auto& in, auto& s, const Rect&) { return in.leftUp(220, 20, s); },
         R::presetsMenu, true, -90},
        {"press close", [](auto& in, auto& s, const Rect&) { return in.leftDown(266, 5, s); }, R::redraw,
         true, -90},
        {"release close", [](auto& in, auto& s, const Rect&) { return in.leftUp(266, 5, s); }, R::close, true,
         -90},
        {"press the title bar", [](auto& in, auto& s, const Rect&) { return in.leftDown(100, 5, s); },
         R::none, true, -90},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(step.act(input, settings, band5), step.expected) << step.what;
        EXPECT_EQ(settings.enabled, step.enabled) << step.what;
        EXPECT_EQ(settings.bandTenths[4], step.band5Tenths) << step.what;
    }
    EXPECT_EQ(settings.preampTenths, 0);
}

TEST(EqualizerViewTest, DrawsFromTheSkinsPictureElseTheDesigns) {
    testing::TempFolder folder;
    std::filesystem::create_directories(folder.path("skin"));
    ASSERT_TRUE(tools::writeTestSkin(folder.path("skin")));
    constexpr int kEqmain = 9;
    auto expectFrom = [](const Surface& back, int x, int y, Point from, const char* what) {
        EXPECT_EQ(back.pixel(x, y), tools::testSkinPixel(kEqmain, from.x, from.y)) << what;
    };
    EqualizerView view;
    ASSERT_TRUE(view.loadLook(folder.path("skin"), folder.path("none.bmp")));
    EXPECT_EQ(view.layout().width, kEqualizerClassicWidth);
    EqualizerSettings settings;
    settings.bandTenths[0] = 120;
    view.draw(settings, EqualizerPressed{EqualizerPart::presets});
    const Surface& back = view.backBuffer();
    expectFrom(back, 60, 105, {60, 105}, "background");
    expectFrom(back, 100, 5, {100, 134 + 5}, "title bar");
    expectFrom(back, 14, 18, {10, 119}, "switch off");
    expectFrom(back, 217, 18, {224, 176}, "presets pressed");
    expectFrom(back, 22, 38 + 1 + 25, {0, 164}, "pre-amp thumb at 0 dB");
    expectFrom(back, 79, 39, {0, 164}, "60 Hz thumb at +12 dB");
    expectFrom(back, 78, 38 + 62, {13 + 15 * 13, 164 + 65 + 62}, "60 Hz bar, the last one");
    settings.enabled = true;
    view.draw(settings, EqualizerPressed{EqualizerPart::onSwitch});
    expectFrom(view.backBuffer(), 14, 18, {187, 119}, "switch on, pressed");

    // A skin without the picture, then nothing at all to draw from.
    std::filesystem::remove(folder.path("skin/eqmain.bmp"));
    Surface design(320, 315);
    design.fill(rgb(1, 2, 3));
    ASSERT_TRUE(bmpSave(folder.path("design.bmp"), design));
    EXPECT_TRUE(view.loadLook(folder.path("skin"), folder.path("design.bmp")));
    EXPECT_EQ(view.layout().width, 320);
    EXPECT_FALSE(view.loadLook("", folder.path("none.bmp")));
    EXPECT_EQ(view.layout().width, kEqualizerClassicWidth);
}

TEST(EqualizerPresetChoicesTest, ChoosesAndSavesTheUsersOwn) {
    testing::TempFolder folder;
    EqualizerPresetChoices choices(folder.path("Tumbor.eqp"));
    const size_t builtIn = choices.refresh().size();
    ASSERT_EQ(builtIn, choices.builtInCount());
    EqualizerSettings settings;
    settings.enabled = true;
    settings.preampTenths = -30;
    settings.bandTenths[2] = 55;
    EXPECT_TRUE(choices.save(" Mine ", settings));
    settings.bandTenths[2] = 60;
    EXPECT_TRUE(choices.save("Mine", settings));  // takes the place of the first
    EXPECT_FALSE(choices.save(" \t", settings));
    ASSERT_EQ(choices.presets().size(), builtIn + 1);
    EXPECT_EQ(choices.presets().back().name, "Mine");

    EqualizerSettings chosen;
    EXPECT_TRUE(choices.choose(builtIn, chosen));
    EXPECT_FALSE(chosen.enabled) << "a preset leaves the switch alone";
    EXPECT_EQ(chosen.preampTenths, -30);
    EXPECT_EQ(chosen.bandTenths[2], 60);
    EXPECT_FALSE(choices.choose(builtIn + 1, chosen));
}

}  // namespace
}  // namespace tumbor::window
