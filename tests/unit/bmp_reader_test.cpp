// The BMP reader: every supported layout, and the files it must refuse.
#include "player/window/bmp_reader.h"

#include <gtest/gtest.h>

#include "player/window/bmp_writer.h"
#include "tests/unit/window_test_support.h"

namespace tumbor::window {
namespace {

using testing::bmpFile;

bool decode(const std::vector<uint8_t>& bytes, Surface& picture) {
    return bmpDecode(bytes.data(), bytes.size(), picture);
}

// Colour table entries are blue, green, red, reserved.
std::vector<uint8_t> table(std::initializer_list<Colour> colours) {
    std::vector<uint8_t> out;
    for (Colour c : colours)
        out.insert(out.end(), {uint8_t(blueOf(c)), uint8_t(greenOf(c)), uint8_t(redOf(c)), 0});
    return out;
}

std::vector<uint8_t> concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(BmpReader, IndexedPicturesUseTheirColourTable) {
    const Colour red = rgb(255, 0, 0), blue = rgb(0, 0, 255), green = rgb(0, 255, 0);
    Surface picture;
    // 1 bit, 10 x 2: most significant bit first; rows padded to 4 bytes; bottom row first.
    auto oneBit = bmpFile(10, 2, 1, 0, 0, concat(table({red, blue}), {0x80, 0x40, 0, 0, 0x00, 0x00, 0, 0}));
    ASSERT_TRUE(decode(oneBit, picture));
    EXPECT_EQ(picture.pixel(0, 1), blue);  // bottom row, first pixel
    EXPECT_EQ(picture.pixel(1, 1), red);
    EXPECT_EQ(picture.pixel(9, 1), blue);  // bit 6 of the second byte
    EXPECT_EQ(picture.pixel(0, 0), red);

    // 4 bits, high nibble first; with the colour count given.
    auto fourBit = bmpFile(3, 1, 4, 0, 3, concat(table({red, blue, green}), {0x12, 0x00, 0, 0}));
    ASSERT_TRUE(decode(fourBit, picture));
    EXPECT_EQ(picture.pixel(0, 0), blue);
    EXPECT_EQ(picture.pixel(1, 0), green);
    EXPECT_EQ(picture.pixel(2, 0), red);

    // 8 bits with an index past a short table: black, never a read past it.
    auto eightBit = bmpFile(2, 1, 8, 0, 1, concat(table({green}), {0, 200, 0, 0}));
    ASSERT_TRUE(decode(eightBit, picture));
    EXPECT_EQ(picture.pixel(0, 0), green);
    EXPECT_EQ(picture.pixel(1, 0), 0u);
}

TEST(BmpReader, DirectColourLayouts) {
    Surface picture;
    // 16 bits 5-5-5: $7FFF is (248, 248, 248); $7C00 pure red; a colour table of 1 entry is skipped.
    auto sixteen = bmpFile(2, 1, 16, 0, 1, {9, 9, 9, 9, 0xFF, 0x7F, 0x00, 0x7C});
    ASSERT_TRUE(decode(sixteen, picture));
    EXPECT_EQ(picture.pixel(0, 0), rgb(248, 248, 248));
    EXPECT_EQ(picture.pixel(1, 0), rgb(248, 0, 0));

    // 24 bits round trip through the writer, with padded rows of 5 pixels.
    Surface original(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) original.setPixel(x, y, rgb(x * 40, y * 80, 7));
    auto bytes = bmpEncode(original);
    ASSERT_TRUE(decode(bytes, picture));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(picture.pixel(x, y), original.pixel(x, y)) << x << "," << y;
}

TEST(BmpReader, RunLength8) {
    const Colour a = rgb(10, 20, 30), b = rgb(200, 100, 50);
    // Bottom row: 3 x a, then absolute run "b a b" (padded), end of line;
    // top row: move right 1 and down 0, 2 x b, end of picture.
    std::vector<uint8_t> runs = {3, 0, 0, 3, 1, 0, 1, 0, 0, 0, 0, 2, 1, 0, 2, 1, 0, 1};
    Surface picture;
    ASSERT_TRUE(decode(bmpFile(6, 2, 8, 1, 2, concat(table({a, b}), runs)), picture));
    const Colour bottom[6] = {a, a, a, b, a, b};
    for (int x = 0; x < 6; ++x) EXPECT_EQ(picture.pixel(x, 1), bottom[x]) << x;
    EXPECT_EQ(picture.pixel(0, 0), 0u);  // skipped by the move, left cleared
    EXPECT_EQ(picture.pixel(1, 0), b);
    EXPECT_EQ(picture.pixel(2, 0), b);

    // Runs past the row's end or moves past the picture are dropped, not written.
    std::vector<uint8_t> wild = {255, 1, 0, 2, 250, 250, 5, 1, 0, 3, 1};
    EXPECT_TRUE(decode(bmpFile(4, 2, 8, 1, 2, concat(table({a, b}), wild)), picture));
}

TEST(BmpReader, RefusesWhatItCannotRead) {
    Surface picture;
    const auto good = bmpFile(1, 1, 24, 0, 0, {1, 2, 3, 0});
    ASSERT_TRUE(decode(good, picture));
    for (size_t cut = 0; cut < good.size(); ++cut) {
        std::vector<uint8_t> shorter(good.begin(), good.begin() + static_cast<long>(cut));
        EXPECT_FALSE(decode(shorter, picture)) << "cut at " << cut;
        EXPECT_TRUE(picture.empty());
    }
    EXPECT_FALSE(decode(bmpFile(1, 1, 24, 3, 0, {1, 2, 3, 0}), picture)) << "compression 3";
    EXPECT_FALSE(decode(bmpFile(1, 1, 24, 1, 0, {1, 2, 3, 0}), picture)) << "run-length needs 8 bits";
    EXPECT_FALSE(decode(bmpFile(1, 1, 32, 0, 0, {1, 2, 3, 0}), picture)) << "32 bits";
    EXPECT_FALSE(decode(bmpFile(1, -1, 24, 0, 0, {1, 2, 3, 0}), picture)) << "top-down";
    EXPECT_FALSE(decode(bmpFile(0, 1, 24, 0, 0, {}), picture)) << "no width";
    EXPECT_FALSE(decode(bmpFile(100000, 100000, 24, 0, 0, {}), picture)) << "huge";
    EXPECT_FALSE(decode(bmpFile(2, 1, 8, 0, 300, {}), picture)) << "colour table missing";
    EXPECT_FALSE(bmpLoad("/nonexistent/folder/x.bmp", picture));
}

}  // namespace
}  // namespace tumbor::window
