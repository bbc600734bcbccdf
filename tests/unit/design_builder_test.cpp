// Building a design: back buffer, frame, background, fitted and pressed
// buttons, drawn gauges, labels and the digit strip, checked pixel by pixel.
#include "player/window/design_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "player/window/design_parser.h"
#include "tests/unit/window_test_support.h"

namespace tumbor::window {
namespace {

constexpr Colour kWhite = 0xFFFFFF, kGrey = 0x808080;

class DesignBuilderTest : public ::testing::Test {
protected:
    bool build(const std::string& text) {
        parseDesignText(text, model_);
        auto reader = [this](const std::string& name, Surface& picture) {
            auto found = pictures_.find(name);
            if (found == pictures_.end()) return false;
            picture = found->second;
            return true;
        };
        return buildDesign(model_, reader, painter_);
    }

    static Surface solid(int w, int h, Colour c) {
        Surface s(w, h);
        s.fill(c);
        return s;
    }

    WindowModel model_;
    testing::RecordingTextPainter painter_;
    std::map<std::string, Surface> pictures_;
};

TEST_F(DesignBuilderTest, FrameAndGradientPixelExact) {
    ASSERT_TRUE(
        build("[general]\nwindowwidth=20\nwindowheight=12\nbackgroundmode=Gradient\n"
              "gradientcolorfrom=$000000\ngradientcolorto=$4080FF\n"));
    const Surface& back = model_.backBuffer;
    ASSERT_EQ(back.width(), 20);
    ASSERT_EQ(back.height(), 12);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 20; ++x) {
            Colour expected = kWhite;
            if ((y == 1 && x >= 1 && x <= 17) || y == 11 || (x == 1 && y >= 2 && y <= 9) || x == 19)
                expected = kGrey;
            else if (x >= 2 && x < 18 && y >= 2 && y < 10)
                expected =
                    rgb(std::min(y * 255 / 8, 255), y * 128 / 8, y * 64 / 8);  // D = 12 - 2 x 2, kept to 255
            ASSERT_EQ(back.pixel(x, y), expected) << x << "," << y;
        }
    }
    EXPECT_EQ(model_.designer, "unknown");
    EXPECT_EQ(model_.buttonFontName, "MS Sans Serif");
    EXPECT_EQ(model_.outline.size(), 4u);
}

TEST_F(DesignBuilderTest, WindowShapeHidesTheFrameAndOutlinesTheWindow) {
    ASSERT_TRUE(
        build("[general]\nwindowwidth=10\nwindowheight=10\nusewindowshape=1\n"
              "numberofwindowshapepoints=3\np1x=5\np2x=10\np2y=10\np3y=10\np4x=99\n"
              "backgroundmode=gradient\ngradientcolorfrom=$FF\ngradientcolorto=$FF\n"));
    EXPECT_EQ(model_.hideBorder, 1);
    EXPECT_EQ(model_.backBuffer.pixel(0, 0), rgb(255, 0, 0)) << "no frame, no inset";
    ASSERT_EQ(model_.outline.size(), 3u);
    EXPECT_EQ(model_.outline[0].x, 5);
    EXPECT_EQ(model_.outline[2].y, 10);

    WindowModel many;
    model_ = many;
    EXPECT_TRUE(
        build("[general]\nwindowwidth=10\nwindowheight=10\nusewindowshape=1\n"
              "numberofwindowshapepoints=5000\n"));
    EXPECT_EQ(model_.outline.size(), 2048u) << "the count is limited to the table";
}

TEST_F(DesignBuilderTest, RefusesADesignWithoutWindowSize) {
    EXPECT_FALSE(build("[general]\nwindowwidth=10\n"));
    EXPECT_TRUE(model_.backBuffer.empty());
    model_ = WindowModel();
    EXPECT_FALSE(build("[general]\nwindowwidth=100000\nwindowheight=100000\n"));
}

TEST_F(DesignBuilderTest, BackgroundPictureModes) {
    Surface tile(3, 2);
    for (int x = 0; x < 3; ++x) tile.setPixel(x, 0, rgb(x + 1, 0, 0));
    pictures_["t.bmp"] = tile;
    ASSERT_TRUE(
        build("[general]\nwindowwidth=8\nwindowheight=5\nhidewindowborder=1\nbitmap=t.bmp\n"
              "backgroundmode=BITMAPTILE\n"));
    for (int x = 0; x < 8; ++x) EXPECT_EQ(model_.backBuffer.pixel(x, 2), rgb(x % 3 + 1, 0, 0)) << x;
    EXPECT_EQ(model_.backBuffer.pixel(0, 1), 0u);

    model_ = WindowModel();
    ASSERT_TRUE(
        build("[general]\nwindowwidth=8\nwindowheight=5\nhidewindowborder=1\nbitmap=t.bmp\n"
              "backgroundmode=bitmapcenter\n"));
    EXPECT_EQ(model_.backBuffer.pixel(2, 1), rgb(1, 0, 0)) << "placed at ((8-3)/2, (5-2)/2)";
    EXPECT_EQ(model_.backBuffer.pixel(1, 1), kWhite);
}

TEST_F(DesignBuilderTest, PictureButtonsAreFittedPressedAndTransparent) {
    const Colour key = rgb(255, 0, 255), body = rgb(10, 200, 10);
    Surface picture = solid(40, 10, body);
    picture.setPixel(0, 0, key);
    picture.setPixel(39, 9, rgb(253, 6, 251));  // the key colour in the top five bits
    pictures_["p.bmp"] = picture;
    pictures_["wide.bmp"] = solid(60, 10, body);
    ASSERT_TRUE(
        build("[general]\nwindowwidth=120\nwindowheight=40\nhidewindowborder=1\n"
              "[button play]\nleft=10\ntop=2\nwidth=50\nheight=10\nbitmap1=p.bmp\n"
              "[button stop]\nleft=10\ntop=20\nwidth=50\nheight=10\nbitmap1=wide.bmp\ntransparency=0\n"
              "[button repeat]\nleft=70\ntop=2\nwidth=20\nheight=10\nbitmap1=p.bmp\n"));
    const ControlSlot& play = model_.control(kPlay);
    EXPECT_EQ(play.left, 15) << "a 40-wide picture in 50 moves 5 right";
    EXPECT_EQ(play.width, 40);
    EXPECT_EQ(play.sourceX, 0);
    const ControlSlot& stop = model_.control(kStop);
    EXPECT_EQ(stop.left, 10);
    EXPECT_EQ(stop.sourceX, 5) << "a wider picture shows its centre";
    EXPECT_EQ(model_.control(kRepeat).width, 20) << "two-state buttons are not fitted";

    // State 1 in the back buffer: key-coloured pixels show the (white) background.
    const Surface& back = model_.backBuffer;
    EXPECT_EQ(back.pixel(15, 2), kWhite);
    EXPECT_EQ(back.pixel(16, 2), body);
    EXPECT_EQ(back.pixel(54, 11), kWhite) << "low bits of the key colour do not matter";
    EXPECT_EQ(back.pixel(10, 20), body) << "transparency off";

    // No hot picture; the pressed picture is the normal one moved one pixel.
    EXPECT_TRUE(play.images[1].empty());
    const Surface& pressed = play.images[2];
    EXPECT_EQ(pressed.pixel(1, 1), kWhite) << "the key pixel moved to (1,1) and became transparent";
    EXPECT_EQ(pressed.pixel(2, 1), body);
    EXPECT_EQ(pressed.pixel(5, 0), kWhite) << "top row from the back buffer";
}

TEST_F(DesignBuilderTest, MissingPicturesLeaveInvisibleButtons) {
    ASSERT_TRUE(
        build("[general]\nwindowwidth=30\nwindowheight=20\nhidewindowborder=1\n"
              "backgroundmode=gradient\ngradientcolorfrom=$123456\ngradientcolorto=$123456\n"
              "[button play]\nleft=2\ntop=2\nwidth=8\nheight=6\nbitmap1=gone.bmp\nbitmap2=gone.bmp\n"));
    const ControlSlot& play = model_.control(kPlay);
    ASSERT_FALSE(play.images[0].empty());
    EXPECT_EQ(play.images[0].pixel(3, 3), 0x123456u) << "a copy of the background";
    EXPECT_TRUE(play.images[1].empty());
    EXPECT_EQ(play.images[2].width(), 8);
}

TEST_F(DesignBuilderTest, DrawnGaugesPixelExact) {
    ASSERT_TRUE(
        build("[general]\nwindowwidth=20\nwindowheight=10\nhidewindowborder=1\n"
              "[gauge songpos]\nleft=2\ntop=2\nwidth=6\nheight=4\ncolor background=$0000FF\n"));
    const Colour red = rgb(255, 0, 0);
    const char* expected[] = {"KKKKKK", "KRRRRK", "KRRRRK", "KKKKKK"};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(model_.backBuffer.pixel(2 + x, 2 + y), expected[y][x] == 'K' ? 0u : red)
                << x << "," << y;
    EXPECT_EQ(model_.backBuffer.pixel(8, 2), kWhite);

    model_ = WindowModel();
    ASSERT_TRUE(
        build("[general]\nwindowwidth=20\nwindowheight=12\nhidewindowborder=1\n"
              "backgroundmode=gradient\ngradientcolorfrom=$FFFFFF\ngradientcolorto=$FFFFFF\n"
              "[global gauge settings]\nshowshadow=1\nshadowcolor=$808080\nshadowrelposx=4\n"
              "[gauge songpos]\nleft=2\ntop=2\nwidth=6\nheight=4\ncolor background=$0000FF\n"));
    EXPECT_EQ(model_.control(kSongPosition).width, 8) << "a shadow makes the gauge 2 pixels bigger";
    EXPECT_EQ(model_.shadowOffsetX, 4);
    // Body 6 x 4 with a shadow two pixels right and below; key-coloured corners show the window.
    const char* shadowed[] = {"KKKKKKWW", "KRRRRKWW", "KRRRRKWW", "KKKKKKSS", "WWWSSSSS", "WWWSSSSS"};
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            const char c = shadowed[y][x];
            const Colour want = c == 'K' ? 0u : c == 'R' ? red : c == 'S' ? 0x808080u : kWhite;
            EXPECT_EQ(model_.backBuffer.pixel(2 + x, 2 + y), want) << x << "," << y;
        }
    }
}

TEST_F(DesignBuilderTest, CaptionsLabelsAndDigitStrip) {
    pictures_["n.bmp"] = solid(132, 13, 0);
    ASSERT_TRUE(
        build("[general]\nwindowwidth=100\nwindowheight=50\nhidewindowborder=1\n"
              "[global button settings]\nfontsize=10\nfontbold=1\nfontcolor=$FF\n"
              "[button help]\nleft=5\ntop=5\nwidth=20\nheight=10\ncaption=Help\n"
              "[button about]\nleft=5\ntop=5\nwidth=0\nheight=10\ncaption=None\n"
              "[label vesklogo]\nleft=40\ntop=5\nwidth=30\nheight=10\nuse leds=1\nactive color=$00FF00\n"
              "[label songname]\nleft=40\ntop=20\nwidth=50\nheight=10\n"
              "[time]\nbitmap=n.bmp\nposmx=-1\n"));
    ASSERT_EQ(painter_.texts.size(), 3u) << "two caption images and the logo";
    EXPECT_EQ(painter_.texts[0].text, "Help");
    EXPECT_EQ(painter_.texts[0].font.height, -13) << "10 points at 96 dots per inch";
    EXPECT_TRUE(painter_.texts[0].font.bold);
    EXPECT_EQ(painter_.texts[1].rect.left, 1) << "the pressed caption moves one pixel";
    EXPECT_TRUE(model_.control(kHelp).images[1].empty());
    EXPECT_TRUE(model_.control(kAbout).images[0].empty()) << "no caption button without width";
    EXPECT_EQ(painter_.texts[2].text, "Tumb");
    EXPECT_EQ(painter_.texts[2].colour, 0x00FF00u) << "the logo takes its LED colour as text colour";
    EXPECT_EQ(painter_.texts[2].layout, TextLayout::centredWrapped);
    EXPECT_FALSE(model_.logo.useLeds);
    EXPECT_EQ(model_.labelBackground.width(), 52);
    EXPECT_EQ(model_.time.cellWidth, 12) << "11 cells without a minus sign";

    model_ = WindowModel();
    ASSERT_TRUE(
        build("[general]\nwindowwidth=10\nwindowheight=10\n[time]\nbitmap=n.bmp\nposmx=0\nposmy=0\n"));
    EXPECT_EQ(model_.time.cellWidth, 11) << "12 cells with a minus sign";
}

}  // namespace
}  // namespace tumbor::window
