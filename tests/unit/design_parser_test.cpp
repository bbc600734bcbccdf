// The design-file grammar: headers, keys, values and their edge cases.
#include "player/window/design_parser.h"

#include <gtest/gtest.h>

namespace tumbor::window {
namespace {

WindowModel parse(const std::string& text) {
    WindowModel model;
    parseDesignText(text, model);
    return model;
}

TEST(DesignParser, KeysAreLowerCasedAndTakenExactly) {
    WindowModel model = parse(
        "[GeNeRaL]\r\nWindowHeight=120\r\nwindowwidth =300\r\n"
        "nameofthedesigner= Someone \r\n");
    EXPECT_EQ(model.windowHeight, 120);
    EXPECT_EQ(model.windowWidth, -1) << "a blank before = makes another key";
    EXPECT_EQ(model.designer, " Someone ") << "text values are kept as they are";

    model = parse("[general]\nwindowheight= 120\nwindowwidth=$12C\nwindowwidth=77\n");
    EXPECT_EQ(model.windowHeight, -1) << "a number starting with a blank is ignored";
    EXPECT_EQ(model.windowWidth, 77) << "the later key wins";
}

TEST(DesignParser, NumbersAndColours) {
    int value = 5;
    EXPECT_TRUE(parseDesignNumber("$FF", value));
    EXPECT_EQ(value, 255);
    EXPECT_TRUE(parseDesignNumber("-12abc", value));
    EXPECT_EQ(value, -12);
    EXPECT_TRUE(parseDesignNumber("$00ff00", value));
    EXPECT_EQ(value, 0x00FF00);
    for (const char* bad : {"", " 1", "$", "$g", "x1", "+4"}) {
        value = 5;
        EXPECT_FALSE(parseDesignNumber(bad, value)) << bad;
        EXPECT_EQ(value, 5);
    }
    WindowModel model = parse(
        "[gauge songpos]\ncolor foreground=$FF\ncolor background=255\n"
        "[gauge playlistpos]\ncolor foreground= $FF\n");
    EXPECT_EQ(model.songPosition.foreground, rgb(255, 0, 0)) << "$FF is red";
    EXPECT_EQ(model.songPosition.background, rgb(255, 0, 0));
    EXPECT_EQ(model.playlistPosition.foreground, 0u) << "leading blank keeps the default";
}

TEST(DesignParser, SectionHeaders) {
    WindowModel model = parse(
        "[Button Play]\nleft=5\ncaption=Go\n"
        "[button volume]\nleft=9\n"
        "[button pause\nleft=11\n"
        "[visuals galore]\nleft=3\nwidth=40\n"
        "[label bogus]\ntop=4\n"
        "[unknown]\nwindowheight=50\n"
        "[label songname]\ntop=10\nleft=20\nwidth=0\nheight=8\nuse leds=1\n");
    EXPECT_EQ(model.control(kPlay).left, 5) << "header names are lower-cased";
    EXPECT_EQ(model.control(kPlay).caption, "Go");
    EXPECT_EQ(model.control(kVolume).left, -1) << "gauges cannot be addressed as buttons";
    EXPECT_EQ(model.control(kPause).left, -1) << "a header without ] is skipped";
    EXPECT_EQ(model.visualization.left, 3) << "[visua is enough";
    EXPECT_EQ(model.visualization.width(), 40);
    EXPECT_EQ(model.windowHeight, -1) << "keys of unknown sections are skipped";
    const LabelStyle& label = model.songName;
    EXPECT_EQ(label.left, 20);
    EXPECT_EQ(label.right, 21) << "width 0 gives a 1-pixel rectangle";
    EXPECT_EQ(label.bottom, 19);
    EXPECT_TRUE(label.useLeds);
    EXPECT_FALSE(model.logo.used());
}

TEST(DesignParser, ShapeVertices) {
    WindowModel model = parse(
        "[general]\nusewindowshape=1\nnumberofwindowshapepoints=2\n"
        "p0x=5\np1x=10\np1y=11\np2x=20\np2Y=21\np3x=30\np2048y=7\np2049x=9\np1z=4\n");
    EXPECT_TRUE(model.useShape);
    EXPECT_EQ(model.shapePointCount, 2);
    EXPECT_EQ(model.shape[0].x, 10);
    EXPECT_EQ(model.shape[0].y, 11);
    EXPECT_EQ(model.shape[1].y, 21) << "keys are lower-cased";
    EXPECT_EQ(model.shape[2].x, 30) << "stored, though beyond the count";
    EXPECT_EQ(model.shape[2047].y, 7);
    EXPECT_EQ(model.shape.size(), 2048u) << "vertex 2049 is never stored";
}

TEST(DesignParser, LongLinesContinueAsTheNextLine) {
    // 254 characters end a line; the rest is read as a line of its own.
    std::string line = "nameofthedesigner=" + std::string(236, 'a') + "windowheight=42\n";
    WindowModel model = parse("[general]\n" + line);
    EXPECT_EQ(model.designer, std::string(236, 'a'));
    EXPECT_EQ(model.windowHeight, 42);
}

TEST(DesignParser, EverySectionReachesItsFields) {
    WindowModel model = parse(
        "[global button settings]\nfontname=Arial\nfontcolor=$123456\nfontsize=12\nfontbold=1\nfontitalic=2\n"
        "[global gauge settings]\nshowshadow=1\nshadowrelposx=3\nshadowcolor=$10\n"
        "[gauge volume]\ntop=1\nleft=2\nheight=3\nwidth=4\nbitmap=v.bmp\nheightslider=5\nwidthslider=6\n"
        "normalsliderx=7\nnormalslidery=8\nmovingsliderx=9\nmovingslidery=10\norientation=1\n"
        "color foreground=$FF\n"
        "[gauge songpos]\nnormalslidery=99\nbitmap=p.bmp\n"
        "[time]\npos1x=1\npos4y=4\nposmx=0\nposmy=0\nbitmap=n.bmp\n"
        "[button repeat]\nbitmap1=a.bmp\nbitmap2=b.bmp\nbitmap3=c.bmp\ntransparency=0\n");
    EXPECT_EQ(model.buttonFontName, "Arial");
    EXPECT_EQ(model.buttonFontColour, 0x123456u);
    EXPECT_EQ(model.buttonFontSize, 12);
    EXPECT_TRUE(model.buttonFontBold && model.buttonFontItalic);
    EXPECT_TRUE(model.showShadow);
    EXPECT_EQ(model.shadowOffsetX, 3);
    EXPECT_EQ(model.shadowColour, 0x10u);
    const ControlSlot& volume = model.control(kVolume);
    EXPECT_EQ(volume.top + volume.left + volume.height + volume.width, 10);
    const GaugeStyle& v = model.volume;
    EXPECT_EQ(v.bitmap, "v.bmp");
    EXPECT_EQ(v.sliderHeight + v.sliderWidth + v.normalSliderX + v.normalSliderY + v.movingSliderX +
                  v.movingSliderY,
              45);
    EXPECT_EQ(v.orientation, 1);
    EXPECT_EQ(v.foreground, 0u) << "colour keys belong to the other gauges";
    EXPECT_EQ(model.songPosition.normalSliderY, 0) << "normalslidery is a volume key";
    EXPECT_EQ(model.songPosition.bitmap, "p.bmp");
    EXPECT_EQ(model.time.x[0], 1);
    EXPECT_EQ(model.time.y[3], 4);
    EXPECT_TRUE(model.time.hasMinus());
    EXPECT_EQ(model.time.bitmap, "n.bmp");
    const ControlSlot& repeat = model.control(kRepeat);
    EXPECT_EQ(repeat.bitmaps[2], "c.bmp");
    EXPECT_FALSE(repeat.transparency);
}

}  // namespace
}  // namespace tumbor::window
