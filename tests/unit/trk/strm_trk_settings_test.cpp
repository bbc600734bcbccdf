// Strm_TRK reads its settings once, at the first start (or configure) of
// the library's life: a program of its own, so that start comes first.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/unit/trk/strm_trk_rig.h"

namespace tumbor::trk::test {
namespace {

TEST(StrmTrkSettings, FirstStartReadsTheSettingsForGood) {
    std::string path = settingsPath("first_start");
    writeFile(path, "[STRM_TRK]\nQuality=1\nStereo=1\nBits=8\nInterpolation=1\n");
    trk().iniPath = path.data();
    ASSERT_EQ(offer(fourRowSong().bytes()), 1);
    ASSERT_EQ(trk().start(), 1);
    EXPECT_EQ(trk().sampleRate, 22050u);
    EXPECT_EQ(trk().channels, 1u);
    EXPECT_EQ(trk().bitsPerSample, 8u);
    EXPECT_EQ(trk().getBitrate(), 22050 * 32);
    std::vector<uint8_t> buffer(1000);
    ASSERT_EQ(trk().decode(buffer.data(), 1000), 1);
    EXPECT_EQ(buffer[0], 0x80) << "8-bit silence";
    trk().close();

    writeFile(path, "[STRM_TRK]\nQuality=0\n");
    ASSERT_EQ(offer(fourRowSong().bytes()), 1);
    ASSERT_EQ(trk().start(), 1);
    EXPECT_EQ(trk().sampleRate, 22050u) << "a changed file is not read again";
    trk().close();
    detachInput();
    trk().iniPath = nullptr;
    std::remove(path.c_str());
}

}  // namespace
}  // namespace tumbor::trk::test
