// The WAV and VOC modules driven through their records, with in-memory input
// lent through the player's own input services.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/recorded_dialogs.h"
#include "player/engine/input_services.h"
#include "stream/stream_module.h"
#include "tests/unit/sound_files.h"

extern "C" StreamLibraryHeader* STREAM_CALL tumborGetStreamHeader(void);

namespace tumbor {
namespace {

using testing::Bytes;
using testing::countingBytes;

StreamModule& wav() { return *tumborGetStreamHeader()->getModule(0); }
StreamModule& voc() { return *tumborGetStreamHeader()->getModule(1); }

// Lends the module the bytes as its input and offers them to it.
int offer(StreamModule& module, const Bytes& file) {
    attachInput(std::make_unique<MemorySource>(file));
    installInputServices(module);
    return module.open();
}

// Decodes buffers of the given size until decode returns 0.
Bytes decodeAll(StreamModule& module, int bufferSize) {
    Bytes all, buffer(static_cast<size_t>(bufferSize));
    while (module.decode(buffer.data(), bufferSize)) all.insert(all.end(), buffer.begin(), buffer.end());
    return all;
}

class StrmPcmTest : public ::testing::Test {
protected:
    void TearDown() override {
        wav().close();
        voc().close();
        detachInput();
    }
};

TEST_F(StrmPcmTest, LibraryHandsOutTwoRecords) {
    StreamLibraryHeader* header = tumborGetStreamHeader();
    EXPECT_EQ(header->version, 0x100u);
    EXPECT_STREQ(header->libraryName, "RAW streams library (WAV, VOC)");
    EXPECT_EQ(header->getModule(2), nullptr);
    EXPECT_EQ(header->getModule(-1), nullptr);
    EXPECT_EQ(header->getModule(1048575), nullptr);

    EXPECT_EQ(std::memcmp(wav().magic, "TBSM", 4), 0);
    EXPECT_EQ(wav().flags, static_cast<uint32_t>(pcmOutput));
    EXPECT_STREQ(wav().fileFilter, "WAV files (*.wav)|*.wav|");
    EXPECT_STREQ(wav().description, "WAV loader (8/16bits, mono/stereo) v1.10");
    EXPECT_EQ(wav().moduleVersion, 0x110u);

    EXPECT_EQ(std::memcmp(voc().magic, "TBSM", 4), 0);
    EXPECT_EQ(voc().flags, static_cast<uint32_t>(pcmOutput));
    EXPECT_STREQ(voc().fileFilter, "Creative labs(tm) VOC files (*.voc)|*.voc|");
    EXPECT_STREQ(voc().description, "VOC loader (8 bits, mono) v1.10");
    EXPECT_EQ(voc().sampleRate, 11111u);
    EXPECT_EQ(voc().channels, 1u);
    EXPECT_EQ(voc().bitsPerSample, 8u);

    for (StreamModule* module : {&wav(), &voc()}) {
        EXPECT_EQ(module->notify, nullptr);
        EXPECT_EQ(module->songInfo(nullptr), 0);
        EXPECT_EQ(module->reserved(), 0);
    }
}

TEST_F(StrmPcmTest, WavPlaysEveryDataByteThenPadsWithSilence) {
    testing::WavSpec layout;
    layout.data = countingBytes(10000);
    ASSERT_EQ(offer(wav(), testing::makeWav(layout)), 1);
    ASSERT_EQ(wav().start(), 1);
    EXPECT_EQ(wav().sampleRate, 44100u);
    EXPECT_EQ(wav().channels, 2u);
    EXPECT_EQ(wav().bitsPerSample, 16u);

    Bytes played = decodeAll(wav(), 4096);
    ASSERT_EQ(played.size(), 12288u);  // three buffers, the last partly silence
    EXPECT_TRUE(std::equal(layout.data.begin(), layout.data.end(), played.begin()));
    EXPECT_TRUE(std::all_of(played.begin() + 10000, played.end(), [](uint8_t b) { return b == 0; }));

    // Past the end every call answers 0 with a silent buffer.
    Bytes buffer(4096, 0x55);
    EXPECT_EQ(wav().decode(buffer.data(), 4096), 0);
    EXPECT_EQ(buffer, Bytes(4096, 0));
}

TEST_F(StrmPcmTest, EightBitWavPadsWithMidpoint) {
    testing::WavSpec layout;
    layout.sampleRate = 22050;
    layout.channels = 1;
    layout.bitsPerSample = 8;
    layout.data = countingBytes(5000);
    ASSERT_EQ(offer(wav(), testing::makeWav(layout)), 1);
    ASSERT_EQ(wav().start(), 1);
    Bytes played = decodeAll(wav(), 4096);
    ASSERT_EQ(played.size(), 8192u);
    EXPECT_EQ(played[4999], layout.data[4999]);
    EXPECT_EQ(played[5000], 0x80);
    EXPECT_EQ(played[8191], 0x80);
    EXPECT_EQ(wav().getBitrate(), 22050 * 8);
}

TEST_F(StrmPcmTest, WavChunkWalk) {
    // A LIST chunk between fmt and data, and a longer fmt chunk, are stepped over.
    testing::WavSpec listed;
    listed.fmtSize = 18;
    testing::appendChunk(listed.chunksBeforeData, "LIST", countingBytes(26, 0x40));
    listed.data = countingBytes(64);
    ASSERT_EQ(offer(wav(), testing::makeWav(listed)), 1);
    ASSERT_EQ(wav().start(), 1);
    Bytes buffer(4096);
    wav().decode(buffer.data(), 4096);
    EXPECT_TRUE(std::equal(listed.data.begin(), listed.data.end(), buffer.begin()));
    wav().close();

    // No pad byte is skipped after an odd-sized chunk: "data" must follow at once.
    testing::WavSpec odd;
    testing::appendChunk(odd.chunksBeforeData, "junk", countingBytes(3));
    odd.data = countingBytes(64);
    EXPECT_EQ(offer(wav(), testing::makeWav(odd)), 1);
    wav().close();
    testing::WavSpec padded = odd;
    padded.chunksBeforeData.push_back(0);
    EXPECT_EQ(offer(wav(), testing::makeWav(padded)), 0);
    wav().close();

    // A chunk claiming more bytes than the file holds ends the walk with a rejection.
    testing::WavSpec runaway;
    testing::appendChunk(runaway.chunksBeforeData, "LIST", countingBytes(4), 0xFFFFFFF0u);
    runaway.data = countingBytes(64);
    EXPECT_EQ(offer(wav(), testing::makeWav(runaway)), 0);
}

TEST_F(StrmPcmTest, WavDataSizeLimits) {
    testing::WavSpec layout;
    layout.data = countingBytes(3);
    EXPECT_EQ(offer(wav(), testing::makeWav(layout)), 0);
    ASSERT_NE(wav().errorText, nullptr);
    EXPECT_STREQ(wav().errorText, "Empty WAV file.");
    EXPECT_EQ(wav().close(), 1);
    EXPECT_EQ(wav().errorText, nullptr);
    EXPECT_EQ(wav().titleText, nullptr);

    layout.data = countingBytes(4);
    EXPECT_EQ(offer(wav(), testing::makeWav(layout)), 1);
    wav().close();

    // A data chunk claiming more than the file holds plays up to the end of the file.
    layout.data = countingBytes(176400 / 2);
    layout.declaredDataSize = 176400;
    ASSERT_EQ(offer(wav(), testing::makeWav(layout)), 1);
    ASSERT_EQ(wav().start(), 1);
    EXPECT_EQ(wav().getLength(), 5);
    Bytes played = decodeAll(wav(), 32768);
    EXPECT_EQ(played.size(), 3u * 32768u);
    EXPECT_TRUE(std::equal(layout.data.begin(), layout.data.end(), played.begin()));
}

TEST_F(StrmPcmTest, WavRefusesUnplayableFormats) {
    struct Case { uint16_t channels, bits; };
    for (Case refused : {Case{2, 24}, Case{6, 16}, Case{0, 16}, Case{1, 4}}) {
        testing::WavSpec layout;
        layout.channels = refused.channels;
        layout.bitsPerSample = refused.bits;
        layout.data = countingBytes(600);
        EXPECT_EQ(offer(wav(), testing::makeWav(layout)), 0) << refused.channels << "x" << refused.bits;
        EXPECT_EQ(wav().errorText, nullptr);
        wav().close();
    }
    testing::WavSpec silentRate;
    silentRate.sampleRate = 0;
    silentRate.data = countingBytes(64);
    EXPECT_EQ(offer(wav(), testing::makeWav(silentRate)), 0);
    wav().close();
    EXPECT_EQ(offer(wav(), Bytes(35, 0)), 0);  // shorter than the header
}

TEST_F(StrmPcmTest, WavLengthPositionAndSeekSteps) {
    testing::WavSpec layout;
    layout.data = countingBytes(176400);  // one second at 44.1 kHz stereo 16-bit
    ASSERT_EQ(offer(wav(), testing::makeWav(layout)), 1);
    ASSERT_EQ(wav().start(), 1);
    const uint32_t dataStart = 44;
    EXPECT_EQ(wav().getLength(), 10);
    EXPECT_EQ(wav().getBitrate(), 1411200);
    EXPECT_EQ(wav().getPosition(), 0);

    EXPECT_NE(wav().seek(3, 0), 0);
    EXPECT_EQ(wav().ioTell(), dataStart + 3 * 17640);
    EXPECT_EQ(wav().getPosition(), 3);
    EXPECT_NE(wav().seek(-5, 1), 0);
    EXPECT_EQ(wav().ioTell(), dataStart);
    EXPECT_EQ(wav().seek(1000, 1), 0);  // past the end of the file: refused, position kept
    EXPECT_EQ(wav().ioTell(), dataStart);
    wav().close();

    // 11025 Hz mono 8-bit: 1102 bytes a tenth, seeking in steps of 1100.
    testing::WavSpec low;
    low.sampleRate = 11025;
    low.channels = 1;
    low.bitsPerSample = 8;
    low.data = countingBytes(11025);
    ASSERT_EQ(offer(wav(), testing::makeWav(low)), 1);
    ASSERT_EQ(wav().start(), 1);
    EXPECT_NE(wav().seek(2, 1), 0);
    EXPECT_EQ(wav().ioTell(), dataStart + 2200);
    EXPECT_EQ(wav().getPosition(), 1);  // 2200 / 1102
}

TEST_F(StrmPcmTest, VocPlaysFirstSoundBlock) {
    testing::VocSpec layout;
    layout.data = countingBytes(3000);
    ASSERT_EQ(offer(voc(), testing::makeVoc(layout)), 1);
    EXPECT_EQ(voc().sampleRate, 11111u);
    ASSERT_EQ(voc().start(), 1);
    EXPECT_EQ(voc().getLength(), 2);  // 3000 / 1111
    EXPECT_EQ(voc().getBitrate(), 88888);

    Bytes played = decodeAll(voc(), 4096);
    ASSERT_EQ(played.size(), 4096u);
    EXPECT_TRUE(std::equal(layout.data.begin(), layout.data.end(), played.begin()));
    // The terminator block after the sound is not played: silence from there.
    EXPECT_TRUE(std::all_of(played.begin() + 3000, played.end(), [](uint8_t b) { return b == 0x80; }));

    EXPECT_NE(voc().seek(2, 0), 0);
    EXPECT_EQ(voc().ioTell(), 26u + 1 + 5 + 2 * 1111);
}

TEST_F(StrmPcmTest, VocHeaderVariants) {
    // The block type is looked for byte by byte after the header.
    testing::VocSpec skipped;
    skipped.beforeBlock = {0, 0, 7, 0};
    skipped.timeConstant = 0;  // 1000000 / 256 = 3906 Hz
    skipped.data = countingBytes(100);
    ASSERT_EQ(offer(voc(), testing::makeVoc(skipped)), 1);
    EXPECT_EQ(voc().sampleRate, 3906u);
    ASSERT_EQ(voc().start(), 1);
    Bytes buffer(4096);
    voc().decode(buffer.data(), 4096);
    EXPECT_TRUE(std::equal(skipped.data.begin(), skipped.data.end(), buffer.begin()));
    voc().close();

    testing::VocSpec packed;
    packed.packMethod = 1;
    packed.data = countingBytes(100);
    EXPECT_EQ(offer(voc(), testing::makeVoc(packed)), 0);
    ASSERT_NE(voc().errorText, nullptr);
    EXPECT_STREQ(voc().errorText, "Packed VOC files are not yet supported.");
    voc().close();
    EXPECT_EQ(voc().errorText, nullptr);

    // A block claiming more than the file holds is cut at the end of the file.
    testing::VocSpec longBlock;
    longBlock.data = countingBytes(2222);
    longBlock.declaredLength = 0xFFFFFF;
    ASSERT_EQ(offer(voc(), testing::makeVoc(longBlock)), 1);
    ASSERT_EQ(voc().start(), 1);
    EXPECT_EQ(voc().getLength(), 2);  // 2222 sound bytes plus the terminator byte
    voc().close();

    Bytes notVoc = testing::makeVoc(skipped);
    notVoc[0] = 'c';
    EXPECT_EQ(offer(voc(), notVoc), 0);
    voc().close();
    EXPECT_EQ(offer(voc(), Bytes(notVoc.begin(), notVoc.begin() + 25)), 0);
}

TEST_F(StrmPcmTest, ModulesRejectEachOthersFiles) {
    testing::WavSpec wavSpec;
    wavSpec.data = countingBytes(100);
    EXPECT_EQ(offer(voc(), testing::makeWav(wavSpec)), 0);
    voc().close();
    testing::VocSpec vocSpec;
    vocSpec.data = countingBytes(100);
    EXPECT_EQ(offer(wav(), testing::makeVoc(vocSpec)), 0);
}

TEST_F(StrmPcmTest, AboutAndConfigureShowOwnerlessBoxes) {
    platform::clearRecordedMessageBoxes();
    EXPECT_EQ(wav().about(), 1);
    EXPECT_EQ(voc().about(), 1);
    EXPECT_EQ(wav().configure(), 1);
    EXPECT_EQ(voc().configure(), 1);
    const auto& boxes = platform::recordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].text, "WAV loader\n\nSupports loading of WAVe modules.");
    EXPECT_EQ(boxes[1].text, "VOC loader\n\nSupports loading of Creative Voice(tm) modules.");
    EXPECT_EQ(boxes[2].text, "There is no configuration possible with WAV files");
    EXPECT_EQ(boxes[3].text, "There is no configuration possible with VOC files");
    for (const platform::MessageBoxRequest& box : boxes) {
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(box.caption, "");
        EXPECT_EQ(box.buttons, platform::MessageButtons::ok);
    }
}

}  // namespace
}  // namespace tumbor
