// The short songs of every format, played by Strm_TRK through its record:
// each is taken, named, timed and heard on both sides for as long as promised.
#include "tools/trk_modules/short_modules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "player/engine/input_services.h"
#include "tests/unit/trk/strm_trk_rig.h"

namespace tumbor::trk::test {
namespace {

constexpr int kTickFrames = 882;  // 44100 Hz at tempo 125

class ShortModulesTest : public ::testing::Test {
protected:
    void TearDown() override {
        trk().close();
        detachInput();
    }
};

int16_t sampleAt(const std::vector<uint8_t>& sound, size_t frame, int channel) {
    int16_t value;
    std::memcpy(&value, &sound[frame * 4 + static_cast<size_t>(channel) * 2], 2);
    return value;
}

TEST_F(ShortModulesTest, EveryFormatPlaysItsRowsAndIsHeardOnBothSides) {
    for (int variant = 0; variant < 5; ++variant) {
        std::vector<ShortModule> modules = makeShortModules(variant);
        ASSERT_EQ(modules.size(), 4u);
        for (const ShortModule& module : modules) {
            SCOPED_TRACE(module.fileName);
            ASSERT_EQ(offer(module.bytes), 1) << (trk().errorText ? trk().errorText : "");
            ASSERT_EQ(trk().start(), 1);
            EXPECT_STREQ(trk().titleText, module.title.c_str());
            EXPECT_EQ(module.rows, 12 + 4 * variant);
            // Rows of three 20 ms ticks: the length in tenths, rounded either way.
            const int tenths = module.rows * kShortSongSpeed * 2 / 10;
            EXPECT_GE(trk().getLength(), tenths);
            EXPECT_LE(trk().getLength(), tenths + 1);

            std::vector<uint8_t> sound = decodeAll(4096);
            const size_t frames = sound.size() / 4;
            const size_t played = static_cast<size_t>(7 + module.rows * kShortSongSpeed) * kTickFrames;
            EXPECT_GE(frames, played);
            EXPECT_LT(frames, played + 1024);
            bool left = false, right = false;
            for (size_t frame = 7 * kTickFrames; frame < played; ++frame) {
                left |= sampleAt(sound, frame, 0) != 0;
                right |= sampleAt(sound, frame, 1) != 0;
            }
            EXPECT_TRUE(left && right);
            trk().close();
            detachInput();
        }
    }
}

TEST_F(ShortModulesTest, VariantsDifferAndRepeatExactly) {
    std::set<std::vector<uint8_t>> seen;
    for (int variant = 0; variant < 6; ++variant) {
        std::vector<ShortModule> first = makeShortModules(variant), again = makeShortModules(variant);
        for (size_t i = 0; i < first.size(); ++i) {
            EXPECT_TRUE(seen.insert(first[i].bytes).second) << first[i].fileName;
            EXPECT_EQ(first[i].bytes, again[i].bytes) << first[i].fileName;
        }
    }
}

}  // namespace
}  // namespace tumbor::trk::test
