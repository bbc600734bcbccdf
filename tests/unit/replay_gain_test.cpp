// Loudness values read from tag texts, and the gain the engine makes of them.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "libs/common/loudness_tags.h"
#include "player/engine/replay_gain.h"

namespace tumbor {
namespace {

TEST(LoudnessTagsTest, ReadsEachKindOfValue) {
    struct Case {
        const char* comment;
        uint32_t present;
        int32_t trackGain, albumGain;
        uint32_t trackPeak, albumPeak;
    };
    for (Case c : {Case{"REPLAYGAIN_TRACK_GAIN=-6.02 dB", loudnessTrackGain, -602, 0, 0, 0},
                   Case{"replaygain_album_gain= +3.456dB", loudnessAlbumGain, 0, 346, 0, 0},
                   Case{"REPLAYGAIN_TRACK_PEAK=0.988553", loudnessTrackPeak, 0, 0, 64786, 0},
                   Case{"REPLAYGAIN_ALBUM_PEAK=1", loudnessAlbumPeak, 0, 0, 0, 65536},
                   Case{"R128_TRACK_GAIN=-1280", loudnessTrackGain, 0, 0, 0, 0},  // -5 dB + 5 dB
                   Case{"R128_ALBUM_GAIN=256", loudnessAlbumGain, 0, 600, 0, 0},
                   Case{"R128_TRACK_GAIN=-1", loudnessTrackGain, 500, 0, 0, 0},
                   Case{"REPLAYGAIN_TRACK_GAIN=loud", 0, 0, 0, 0, 0},
                   Case{"REPLAYGAIN_TRACK_GAIN=-", 0, 0, 0, 0, 0},
                   Case{"REPLAYGAIN_TRACK_GAIN=99999999 dB", 0, 0, 0, 0, 0},
                   Case{"REPLAYGAIN_TRACK_PEAK=0", 0, 0, 0, 0, 0},
                   Case{"REPLAYGAIN_TRACK_GAINS=-1 dB", 0, 0, 0, 0, 0},
                   Case{"REPLAYGAIN_TRACK_GAIN", 0, 0, 0, 0, 0}}) {
        SCOPED_TRACE(c.comment);
        LoudnessTags tags;
        tags.addComment(c.comment, std::strlen(c.comment));
        const StreamLoudness& loudness = tags.loudness();
        EXPECT_EQ(loudness.present, c.present);
        EXPECT_EQ(loudness.trackGain, c.present & loudnessTrackGain ? c.trackGain : 0);
        EXPECT_EQ(loudness.albumGain, c.albumGain);
        EXPECT_EQ(loudness.trackPeak, c.trackPeak);
        EXPECT_EQ(loudness.albumPeak, c.albumPeak);
    }
    // The first value of a field counts.
    LoudnessTags tags;
    tags.add("REPLAYGAIN_TRACK_GAIN", "-1 dB");
    tags.add("replaygain_track_gain", "-2 dB");
    EXPECT_EQ(tags.loudness().trackGain, -100);
}

TEST(ReplayGainTest, GainFromModeTagsAndSettings) {
    StreamLoudness tagged{};
    tagged.present = loudnessTrackGain | loudnessAlbumGain | loudnessAlbumPeak;
    tagged.trackGain = -602;
    tagged.albumGain = 600;
    tagged.albumPeak = 49152;  // 0.75
    StreamLoudness untagged{};
    struct Case {
        int mode, preamp, fallback;
        bool noClip;
        const StreamLoudness* loudness;
        uint32_t scale;
    };
    for (Case c : {Case{ReplayGainSettings::off, 0, 0, true, &tagged, kUnityGain},
                   Case{ReplayGainSettings::track, 0, 0, true, nullptr, kUnityGain},  // module cannot tell
                   Case{ReplayGainSettings::track, 0, 0, true, &tagged, 32770},        // -6.02 dB: half, within a step
                   Case{ReplayGainSettings::track, 60, 0, true, &tagged, 65385},       // + 6.0 dB pre-amp
                   Case{ReplayGainSettings::album, 0, 0, false, &tagged, 130762},      // +6 dB
                   Case{ReplayGainSettings::album, 0, 0, true, &tagged, 87381},        // held at 1 / 0.75
                   Case{ReplayGainSettings::album, 0, -60, true, &untagged, 32846},    // the default gain
                   Case{ReplayGainSettings::track, 0, 0, true, &untagged, kUnityGain}}) {
        ReplayGainSettings settings;
        settings.mode = c.mode;
        settings.preampTenths = c.preamp;
        settings.defaultTenths = c.fallback;
        settings.noClip = c.noClip;
        EXPECT_EQ(gainScale(settings, c.loudness), c.scale) << "mode " << c.mode << " pre-amp " << c.preamp;
    }
}

TEST(ReplayGainTest, AppliedWithRoundingAndClipping) {
    auto apply16 = [](std::vector<int16_t> samples, uint32_t scale) {
        std::vector<uint8_t> bytes;
        for (int16_t s : samples) bytes.insert(bytes.end(), {uint8_t(s & 0xFF), uint8_t((s >> 8) & 0xFF)});
        applyGain(bytes.data(), bytes.size(), 16, scale);
        std::vector<int16_t> out;
        for (size_t i = 0; i < bytes.size(); i += 2) out.push_back(int16_t(bytes[i] | bytes[i + 1] << 8));
        return out;
    };
    std::vector<int16_t> samples = {0, 1, -1, 3, -3, 1000, -1001, 32767, -32768};
    EXPECT_EQ(apply16(samples, kUnityGain), samples);
    EXPECT_EQ(apply16(samples, 32768), (std::vector<int16_t>{0, 1, -1, 2, -2, 500, -501, 16384, -16384}));
    EXPECT_EQ(apply16(samples, 131072), (std::vector<int16_t>{0, 2, -2, 6, -6, 2000, -2002, 32767, -32768}));

    std::vector<uint8_t> eight = {0x80, 0x81, 0x7F, 0xFF, 0x00};
    applyGain(eight.data(), eight.size(), 8, 32768);
    EXPECT_EQ(eight, (std::vector<uint8_t>{0x80, 0x81, 0x7F, 0xC0, 0x40}));
    eight = {0xFF, 0x00, 0x90};
    applyGain(eight.data(), eight.size(), 8, 196608);
    EXPECT_EQ(eight, (std::vector<uint8_t>{0xFF, 0x00, 0xB0}));
}

}  // namespace
}  // namespace tumbor
