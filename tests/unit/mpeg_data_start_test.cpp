// Where the MPEG module finds the first frame, and the messages it leaves
// when it finds none.
#include "libs/mpa/mpeg_data_start.h"

#include <gtest/gtest.h>

#include "tests/unit/mpeg_test_files.h"
#include "tests/unit/sound_files.h"

namespace tumbor {
namespace {

using namespace testing;

class MpegDataStartTest : public ::testing::Test {
protected:
    void TearDown() override {
        mpa().close();
        detachInput();
    }
    // The probe bytes, the rest zero.
    static bool locate(const Bytes& bytes, uint32_t& offset) {
        uint8_t probe[kDataStartProbeSize] = {};
        std::copy(bytes.begin(),
                  bytes.begin() + static_cast<long>(std::min<size_t>(bytes.size(), sizeof probe)), probe);
        return locateDataStart(probe, offset);
    }
    static Bytes lengthPrefixed(uint32_t length) {
        Bytes bytes = {static_cast<uint8_t>(length >> 24), static_cast<uint8_t>(length >> 16),
                       static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
        bytes.resize(4 + length, 0x20);
        bytes.push_back(0xFF);
        bytes.push_back(0xE2);
        return bytes;
    }
    // A RIFF/WAVE header with the given bits per sample, its format chunk and
    // the chunks in between, then the data chunk holding payload.
    static Bytes riffWave(uint16_t bitsPerSample, const Bytes& between, const Bytes& payload) {
        WavSpec layout;
        layout.bitsPerSample = bitsPerSample;
        layout.chunksBeforeData = between;
        layout.data = payload;
        return makeWav(layout);
    }
};

TEST_F(MpegDataStartTest, RawSyncAtTheStart) {
    uint32_t offset = 99;
    EXPECT_TRUE(locate({0xFF, 0xE0}, offset));
    EXPECT_EQ(offset, 0u);
    EXPECT_FALSE(locate({0xFF, 0xDF}, offset));
    EXPECT_FALSE(locate({0xFE, 0xFF, 0xFB}, offset));
}

TEST_F(MpegDataStartTest, LengthPrefix) {
    uint32_t offset = 0;
    EXPECT_TRUE(locate(lengthPrefixed(0), offset));
    EXPECT_EQ(offset, 4u);
    EXPECT_TRUE(locate(lengthPrefixed(100), offset));
    EXPECT_EQ(offset, 104u);
    EXPECT_TRUE(locate(lengthPrefixed(4087), offset));  // S = 4091, the last allowed
    EXPECT_EQ(offset, 4091u);
    EXPECT_FALSE(locate(lengthPrefixed(4088), offset));
    // No sync after the prefix.
    Bytes noSync = lengthPrefixed(10);
    noSync[14] = 0;
    EXPECT_FALSE(locate(noSync, offset));
}

TEST_F(MpegDataStartTest, RiffWaveWalksChunksOnlyForCompressedPayloads) {
    uint32_t offset = 0;
    Bytes list;
    appendChunk(list, "LIST", countingBytes(30));
    EXPECT_TRUE(locate(riffWave(0, list, {0xFF, 0xFB}), offset));
    EXPECT_EQ(offset, 12u + 24 + 38 + 8);
    EXPECT_FALSE(locate(riffWave(16, list, {0xFF, 0xFB}), offset));
    // The chunk length's top bit is ignored.
    Bytes marked;
    appendChunk(marked, "junk", countingBytes(4), 0x80000004u);
    EXPECT_TRUE(locate(riffWave(0, marked, {}), offset));
    EXPECT_EQ(offset, 12u + 24 + 12 + 8);
    // A chunk reaching past the probe ends the walk.
    Bytes huge;
    appendChunk(huge, "junk", countingBytes(4), 5000);
    EXPECT_FALSE(locate(riffWave(0, huge, {}), offset));
}

// ID3v2 tags are passed by their sizes, one after the other, before the
// search; the stream behind them must still fill a probe.
TEST_F(MpegDataStartTest, Id3v2TagsInFrontArePassed) {
    Bytes mp3 = mpegFile("cbr128.mp3");
    Bytes title = id3v2TextFrame(3, "TIT2", 0, bytesOf("Song"));
    Bytes v23 = id3v2Tag(3, title, 0, 100);
    Bytes v24 = id3v2Tag(4, id3v2TextFrame(4, "TIT2", 3, bytesOf("Song")), 0x10);
    struct Case {
        const char* what;
        Bytes file;
        uint32_t tagsEnd;
        uint32_t offset;  // of the first frame
    };
    Bytes wrapped = riffWave(0, {}, mp3);
    for (const Case& test : {Case{"one tag", joined({v23, mp3}), uint32_t(v23.size()), uint32_t(v23.size())},
                             Case{"a footer", joined({v24, mp3}), uint32_t(v24.size()), uint32_t(v24.size())},
                             Case{"two tags", joined({v24, v23, mp3}), uint32_t(v24.size() + v23.size()),
                                  uint32_t(v24.size() + v23.size())},
                             Case{"RIFF/WAVE behind", joined({v23, wrapped}), uint32_t(v23.size()),
                                  uint32_t(v23.size() + wrapped.size() - mp3.size())}}) {
        SCOPED_TRACE(test.what);
        attachInput(std::make_unique<MemorySource>(test.file));
        installInputServices(mpa());
        DataStartResult result = findDataStart(StreamInput(mpa()));
        EXPECT_TRUE(result.found);
        EXPECT_EQ(result.tagsEnd, test.tagsEnd);
        EXPECT_EQ(result.offset, test.offset);
    }
    EXPECT_EQ(v24.size(), 10u + 10 + 5 + 10);  // header, frame, footer
}

TEST_F(MpegDataStartTest, OpenLeavesTheMessages) {
    Bytes mp3 = mpegFile("cbr128.mp3");
    struct Case {
        const char* what;
        Bytes file;
        const char* message;  // null: accepted
    };
    Bytes tag = id3v2Tag(3, id3v2TextFrame(3, "TIT2", 0, bytesOf("Song")));
    Bytes id3v2 = joined({tag, mp3});
    Bytes shortAfterTag = joined({tag, Bytes(mp3.begin(), mp3.begin() + 4095)});
    Bytes tooLongTag = joined({id3v2Tag(3, Bytes(10, 0)), mp3});
    std::fill(tooLongTag.begin() + 6, tooLongTag.begin() + 10, 0x7F);  // past the end of the file: no tag
    Bytes unsafeSize = joined({tag, mp3});
    unsafeSize[9] |= 0x80;  // not synchsafe: no tag
    Bytes junkAfterTag = joined({tag, Bytes{0}, mp3});
    Bytes pcm = riffWave(16, {}, countingBytes(8000));
    Bytes wrapped = riffWave(0, {}, mp3);
    Bytes prefixed = lengthPrefixed(200);
    prefixed.insert(prefixed.end() - 2, mp3.begin(), mp3.end());
    prefixed.resize(prefixed.size() - 2);

    for (const Case& test :
         {Case{"raw", mp3, nullptr}, Case{"in RIFF/WAVE", wrapped, nullptr},
          Case{"length prefixed", prefixed, nullptr}, Case{"ID3v2 in front", id3v2, nullptr},
          Case{"4095 bytes after ID3v2", shortAfterTag, "Stream to small to be an MPEG stream"},
          Case{"ID3v2 longer than the file", tooLongTag, "Unable to find start of MPEG stream"},
          Case{"ID3v2 size not synchsafe", unsafeSize, "Unable to find start of MPEG stream"},
          Case{"junk after ID3v2", junkAfterTag, "Unable to find start of MPEG stream"},
          Case{"RIFF/WAVE PCM", pcm, "Unable to find start of MPEG stream"},
          Case{"4095 bytes", Bytes(mp3.begin(), mp3.begin() + 4095),
               "Stream to small to be an MPEG stream"}}) {
        SCOPED_TRACE(test.what);
        int accepted = offerMpeg(test.file);
        EXPECT_EQ(accepted, test.message ? 0 : 1);
        if (test.message) {
            ASSERT_NE(mpa().errorText, nullptr);
            EXPECT_STREQ(mpa().errorText, test.message);
        } else {
            EXPECT_EQ(mpa().errorText, nullptr);
            EXPECT_EQ(mpa().start(), 1);
            EXPECT_EQ(mpa().getBitrate(), 128000);
        }
        EXPECT_EQ(mpa().close(), 1);
        EXPECT_EQ(mpa().errorText, nullptr);
    }
}

}  // namespace
}  // namespace tumbor
