// The DMF loader over files built byte by byte: header and message lines,
// the order list, patterns with their global track and run counters,
// sample information and (packed) data, and how DMF cells play.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "libs/trk/sequencer/effects.h"
#include "tests/unit/trk/loader_rig.h"

namespace tumbor::trk::test {
namespace {

struct DmfSample {
    std::vector<uint8_t> data;  // as stored in "SMPD"
    uint32_t length = 0;        // as "SMPI" gives it
    uint32_t loopStart = 0, loopEnd = 0;
    int c3Frequency = 8363, volume = 0, type = 0;
};

struct DmfFile {
    int version = 8;
    FileBuilder chunks;

    std::vector<uint8_t> bytes() const {
        FileBuilder f;
        f.text("DDMF", 4).u8(version).text("XTRACKER", 8).text("dmf song", 30).text("composer", 20);
        f.u8(7).u8(11).u8(95).append(chunks.bytes).text("ENDE", 4);
        return f.bytes;
    }
    void chunk(const char* id, const std::vector<uint8_t>& data) {
        chunks.text(id, 4).u32(static_cast<uint32_t>(data.size())).append(data);
    }
    void sequence(const std::vector<int>& orders) {
        FileBuilder data;
        data.u16(0).u16(static_cast<int>(orders.size()) - 1);
        for (int order : orders) data.u16(order);
        chunk("SEQU", data.bytes);
    }
    // Patterns of (tracks, beat byte, rows, packed row data).
    void patterns(const std::vector<std::tuple<int, int, int, std::vector<uint8_t>>>& list) {
        FileBuilder data;
        data.u16(static_cast<int>(list.size())).u8(4);
        for (const auto& [tracks, beat, rows, bytes] : list)
            data.u8(tracks).u8(beat).u16(rows).u32(static_cast<uint32_t>(bytes.size())).append(bytes);
        chunk("PATT", data.bytes);
    }
    void samples(const std::vector<DmfSample>& list) {
        FileBuilder info, data;
        info.u8(static_cast<int>(list.size()));
        for (const DmfSample& s : list) {
            info.u8(6).text("sample", 6).u32(s.length).u32(s.loopStart).u32(s.loopEnd).u16(s.c3Frequency);
            info.u8(s.volume).u8(s.type);
            if (version >= 8) info.text("library", 8);
            info.zeros(2).u32(0);
            data.u32(static_cast<uint32_t>(s.data.size())).append(s.data);
        }
        chunk("SMPI", info.bytes);
        chunk("SMPD", data.bytes);
    }
};

DmfSample plainSample(std::vector<uint8_t> data, int volume = 0) {
    DmfSample sample;
    sample.length = static_cast<uint32_t>(data.size());
    sample.data = std::move(data);
    sample.volume = volume;
    return sample;
}

// A tree-packed stream: a root with leaves 1 (left) and 2 (right), then
// count bytes that each add 1.
std::vector<uint8_t> packOnes(int count) {
    std::vector<uint8_t> stream(16);
    size_t bit = 0;
    auto put = [&](int value, int bits) {
        for (int i = 0; i < bits; ++i, ++bit)
            if (value >> i & 1) stream[bit / 8] |= static_cast<uint8_t>(1 << bit % 8);
    };
    put(0, 7), put(1, 1), put(1, 1);            // root with two children
    put(1, 7), put(0, 2);                       // leaf 1
    put(2, 7), put(0, 2);                       // leaf 2
    for (int i = 0; i < count; ++i) put(0, 2);  // sign 0, left
    return stream;
}

TEST(DmfLoader, HeaderMessageAndOrders) {
    DmfFile file;
    file.sequence({0, 1, 300, 254, 0});
    FileBuilder message;
    message.u8(0).text("first line", 40).text("second", 10);
    file.chunk("CMSG", message.bytes);
    file.chunk("XTRA", {1, 2, 3, 4});
    Song song;
    ASSERT_TRUE(loadWith(loadDmf, file.bytes(), song));
    EXPECT_EQ(song.format, SongFormat::dmf);
    EXPECT_EQ(song.cellSize, 9);
    EXPECT_EQ(song.name, "dmf song");
    EXPECT_EQ(song.maxChannelVolume, 255);
    ASSERT_EQ(song.length, 5);
    EXPECT_EQ(song.orders, std::vector<uint16_t>({0, 1, 254, 254, 0}));
    std::vector<std::string> lines = {"Delusion X-Tracker module (DMF)",
                                      "",
                                      "Version     : 8",
                                      "Tracker     : XTRACKER",
                                      "Composer    : composer",
                                      "Composed at : 07.11.1995",
                                      "",
                                      "\xFF",
                                      std::string(20, ' ') + "first line" + std::string(30, ' '),
                                      std::string(20, ' ') + "second" + std::string(34, ' ')};
    EXPECT_EQ(song.message, lines);
}

TEST(DmfLoader, EarlyVersionsCountTheOrderListShort) {
    DmfFile file;
    file.version = 4;
    file.sequence({0, 0});
    file.chunks.u32(0xDDDDDDDD);  // the 4 bytes early files leave out of the count
    file.samples({plainSample({1, 2, 3})});
    Song song;
    ASSERT_TRUE(loadWith(loadDmf, file.bytes(), song));
    EXPECT_EQ(song.length, 2);
    EXPECT_EQ(song.findSample(1)->data[2], 3) << "the chunks after the order list found";
}

TEST(DmfLoader, PatternsGlobalTrackAndCounters) {
    std::vector<uint8_t> rows = {// row 0: global (info 0x81 with counter 1, data 40); track 0 with
                                 // everything; track 1 a note, counter 2
                                 0x81, 1, 40,                                           //
                                 0x7E, 3, 37, 200, 0x11, 0x12, 0x21, 0x22, 0x31, 0x32,  //
                                 0xA0, 2, 50,                                           //
                                               // row 1: global held by its counter; track 0 volume only
                                 0x10, 99,
                                 // row 2: global command 2; track 0 empty, track 1 still held
                                 0x02, 125, 0x00,
                                 // row 3: global empty; track 0 instrument only; track 1 note
                                 0x00, 0x40, 7, 0x20, 255};
    // 2000 empty rows of 40 tracks: every track and the global track held
    // by counters of 255 (256 rows an entry).
    std::vector<uint8_t> held;
    for (int block = 0; block < 8; ++block)
        for (int track = 0; track <= 40; ++track) held.insert(held.end(), {0x80, 255});
    DmfFile file;
    file.patterns({{2, 0x40, 4, rows}, {40, 0x20, 2000, held}});
    Song song;
    ASSERT_TRUE(loadWith(loadDmf, file.bytes(), song));
    EXPECT_EQ(song.patternCount, 2);
    EXPECT_EQ(song.channelCount, 2);
    const Pattern& first = *song.findPattern(0);
    EXPECT_EQ(first.rows, 4);
    EXPECT_EQ(first.beat, 4);
    EXPECT_EQ(first.channelCount, 2);
    EXPECT_EQ(first.globalTrack, std::vector<uint8_t>({1, 40, 0, 0, 2, 125, 0, 0}));
    const uint8_t* cell = cellAt(song, 0, 0, 0);
    EXPECT_EQ(std::vector<uint8_t>(cell, cell + 9),
              std::vector<uint8_t>({37, 3, 0x31, 0x32, 200, 0x11, 0x12, 0x21, 0x22}));
    EXPECT_EQ(cellAt(song, 0, 0, 1)[0], 50);
    EXPECT_EQ(cellAt(song, 0, 1, 0)[4], 99);
    EXPECT_EQ(cellAt(song, 0, 2, 0)[4], 0);
    EXPECT_EQ(cellAt(song, 0, 3, 0)[1], 7);
    EXPECT_EQ(cellAt(song, 0, 3, 1)[0], 255);
    const Pattern& second = *song.findPattern(1);
    EXPECT_EQ(second.rows, 1024) << "rows beyond 1024 are not kept";
    EXPECT_EQ(second.channelCount, 40);
    EXPECT_EQ(second.beat, 2);
}

TEST(DmfLoader, SampleInformationAndData) {
    DmfFile file;
    DmfSample looped = plainSample({1, 2, 3, 4, 5, 6}, 180);
    looped.loopStart = 2, looped.loopEnd = 6, looped.type = 1, looped.c3Frequency = 11025;
    DmfSample packed;
    packed.data = packOnes(10);
    packed.length = 10;
    packed.type = 1 << 2;
    DmfSample missing = plainSample({});
    missing.length = 50;
    DmfSample library = plainSample({9, 9});
    library.type = 0x80;
    DmfSample alternative = plainSample({7, 8});
    alternative.type = 0x08 | 0x04;
    DmfSample shortData = plainSample({5, 5, 5});
    shortData.length = 30;
    file.samples({looped, packed, missing, library, alternative, shortData});
    Song song;
    ASSERT_TRUE(loadWith(loadDmf, file.bytes(), song));
    EXPECT_EQ(song.instrumentCount, 6);
    const Instrument& instrument = *song.findInstrument(2);
    EXPECT_EQ(instrument.name, "sample");
    EXPECT_EQ(instrument.noteMap[60], 1);
    EXPECT_EQ(instrument.noteTranspose[60], 12);
    const Sample& first = *song.findSample(1);
    EXPECT_EQ(first.c4Speed, 11025);
    EXPECT_EQ(first.volume, 180);
    EXPECT_TRUE(first.loops());
    EXPECT_EQ(first.data[0], 1) << "plain data start after their length";
    const Sample& second = *song.findSample(2);
    EXPECT_EQ(second.encoding, SampleEncoding::dmfTree);
    EXPECT_EQ(second.data[0], 1);
    EXPECT_EQ(second.data[9], 10) << "the packed decoder reads the length itself";
    EXPECT_EQ(song.findSample(3)->length, 0u) << "no data in the file";
    EXPECT_EQ(song.findSample(4)->length, 0u) << "kept in a library";
    EXPECT_EQ(song.findSample(5)->encoding, SampleEncoding::pcmAlt) << "bit 3 wins";
    EXPECT_EQ(song.findSample(5)->data[1], 8);
    EXPECT_EQ(song.findSample(6)->length, 3u) << "plain data no longer than stored";
}

TEST(DmfLoader, TruncatedFiles) {
    DmfFile file;
    file.sequence({0});
    file.patterns({{1, 0x40, 2, {0, 0x20, 37, 0, 0}}});
    DmfSample packed;
    packed.data = packOnes(4);
    packed.length = 4;
    packed.type = 1 << 2;
    file.samples({plainSample({1, 2, 3, 4}), packed});
    std::vector<uint8_t> bytes = file.bytes();
    int loaded = loadEveryPrefix(loadDmf, bytes);
    EXPECT_GT(loaded, 10);
    EXPECT_LT(loaded, static_cast<int>(bytes.size()));
}

// A one-row song: note 37 of a sample at 8363 Hz, then a note off.
DmfFile playableSong() {
    DmfFile file;
    file.sequence({0});
    file.patterns({{1, 0x40, 2, {0, 0x70, 1, 37, 0, 0, 0x20, 255}}});
    file.samples({plainSample(std::vector<uint8_t>(200, 50), 128)});
    return file;
}

TEST(DmfPlayback, NotesVolumeAndNoteOff) {
    LoadedSongRig rig;
    ASSERT_TRUE(rig.load(loadDmf, playableSong().bytes()));
    // Ticks-per-second timing: 2 rows of 4 ticks at 32 ticks a second.
    EXPECT_EQ(RowTimeTable::build(rig.song).lengthTenths(), 2);
    rig.begin();
    EXPECT_EQ(rig.voice(0).starts, 1);
    EXPECT_EQ(rig.voice(0).frequency, 8363) << "note 37 plays the sample at its own rate";
    EXPECT_EQ(rig.channel(0).volume, 128 << 2) << "the sample's volume on the DMF scale";
    EXPECT_EQ(rig.voice(0).volume, ((128 * 255 * 255) >> 12) >> 3);
    EXPECT_EQ(rig.voice(0).panning, 128) << "channels start in the centre";
    rig.ticks(4);
    EXPECT_FALSE(rig.voice(0).playing) << "note 255 stops the voice";
}

TEST(DmfPlayback, VolumeByteAndInstrumentWithoutNote) {
    DmfFile file;
    file.sequence({0});
    file.patterns({{1, 0x40, 2, {0, 0x30, 37, 60, 0, 0x40, 1}}});
    file.samples({plainSample(std::vector<uint8_t>(200, 50), 200)});
    LoadedSongRig rig;
    ASSERT_TRUE(rig.load(loadDmf, file.bytes()));
    rig.begin();
    EXPECT_EQ(rig.voice(0).starts, 0) << "a note without an instrument has no sample yet";
    EXPECT_EQ(rig.channel(0).volume, 60 << 2);
    rig.ticks(4);
    EXPECT_EQ(rig.channel(0).volume, 200 << 2) << "the instrument's sample volume";
    EXPECT_EQ(rig.voice(0).starts, 0) << "no note, no start";
}

TEST(DmfPlayback, GlobalTrackPatternDelayEnds) {
    DmfFile file;
    file.sequence({0});
    // Row 0 delays the pattern by 4 x 2 - 4 = 4 rows, then row 1.
    file.patterns({{1, 0x40, 2, {0x04, 0x20, 0, 0, 0}}});
    Song song;
    ASSERT_TRUE(loadWith(loadDmf, file.bytes(), song));
    // Row 0 four times and row 1, each 4 ticks at 32 ticks a second; the
    // repeated row does not set its delay again.
    EXPECT_EQ(RowTimeTable::build(song).lengthTenths(), 6);
}

}  // namespace
}  // namespace tumbor::trk::test
