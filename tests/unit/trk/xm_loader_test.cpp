// The XM loader over files built byte by byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "libs/trk/loaders/loaders.h"
#include "libs/trk/loaders/sample_stage.h"
#include "libs/trk/sequencer/effects.h"
#include "tests/unit/trk/sequencer_rig.h"

namespace tumbor::trk {
namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
void putText(std::vector<uint8_t>& out, const std::string& text, size_t size) {
    std::string padded = text;
    padded.resize(size, '\0');
    out.insert(out.end(), padded.begin(), padded.end());
}

struct XmSample {
    std::vector<int16_t> points;  // 8-bit data use the low byte
    bool sixteenBit = false;
    uint32_t loopStart = 0, loopLength = 0;  // bytes
    int volume = 64, fineTune = 0, type = 0, panning = 128, relativeNote = 0;
    std::string name;
};

struct XmInstrument {
    std::string name;
    std::vector<XmSample> samples;
    std::vector<uint8_t> map = std::vector<uint8_t>(96, 0);
    std::vector<std::pair<int, int>> volumePoints;
    int volumeType = 0, volumeSustain = 0, volumeLoopStart = 0, volumeLoopEnd = 0;
    int fadeout = 0;
};

struct XmPattern {
    int rows = 64;
    std::vector<uint8_t> packed;  // as stored
};

// An XM file of version 1.04 (or older, instruments first), with the
// classic header sizes unless told otherwise.
struct XmFile {
    int version = 0x104;
    std::string name = "xm song", tracker = "TrackerName";
    int channels = 4, flags = 1, speed = 6, tempo = 125;
    std::vector<uint8_t> orders{0};
    std::vector<XmPattern> patterns{XmPattern{}};
    std::vector<XmInstrument> instruments;
    bool compactHeader = false;           // header size 20 + song length, not 276
    uint32_t patternHeaderLength = 9;     // the fields are written whatever it says
    uint32_t instrumentHeaderSize = 263;  // of instruments with samples: cut or padded
    uint32_t sampleHeaderSize = 40;       // padded when longer

    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> out;
        putText(out, "Extended Module: ", 17);
        putText(out, name, 20);
        out.push_back(0x1A);
        putText(out, tracker, 20);
        put16(out, static_cast<uint32_t>(version));
        put32(out, compactHeader ? 20 + static_cast<uint32_t>(orders.size()) : 276);
        put16(out, static_cast<uint32_t>(orders.size()));
        put16(out, 0);
        put16(out, static_cast<uint32_t>(channels));
        put16(out, static_cast<uint32_t>(patterns.size()));
        put16(out, static_cast<uint32_t>(instruments.size()));
        put16(out, static_cast<uint32_t>(flags));
        put16(out, static_cast<uint32_t>(speed));
        put16(out, static_cast<uint32_t>(tempo));
        std::vector<uint8_t> table(compactHeader ? orders.size() : 256, 0);
        std::copy(orders.begin(), orders.end(), table.begin());
        out.insert(out.end(), table.begin(), table.end());
        std::vector<uint8_t> data;
        if (version < 0x104) writeInstruments(out, data);
        for (const XmPattern& pattern : patterns) {
            put32(out, patternHeaderLength);
            out.push_back(0);
            if (version <= 0x102)
                out.push_back(static_cast<uint8_t>(pattern.rows - 1));
            else
                put16(out, static_cast<uint32_t>(pattern.rows));
            put16(out, static_cast<uint32_t>(pattern.packed.size()));
            out.resize(out.size() + (patternHeaderLength > 9 ? patternHeaderLength - 9 : 0), 0);
            out.insert(out.end(), pattern.packed.begin(), pattern.packed.end());
        }
        if (version >= 0x104) writeInstruments(out, data);
        out.insert(out.end(), data.begin(), data.end());
        return out;
    }

    // Older files keep every sample's data at the end (in data).
    void writeInstruments(std::vector<uint8_t>& out, std::vector<uint8_t>& data) const {
        for (const XmInstrument& instrument : instruments) {
            bool block = !instrument.samples.empty();
            size_t headerStart = out.size();
            put32(out, block ? instrumentHeaderSize : 29);
            putText(out, instrument.name, 22);
            out.push_back(0);
            put16(out, static_cast<uint32_t>(instrument.samples.size()));
            if (block) {
                put32(out, sampleHeaderSize);
                out.insert(out.end(), instrument.map.begin(), instrument.map.end());
                for (size_t i = 0; i < 12; ++i) {
                    std::pair<int, int> p = i < instrument.volumePoints.size() ? instrument.volumePoints[i]
                                                                               : std::pair<int, int>{};
                    put16(out, static_cast<uint32_t>(p.first));
                    put16(out, static_cast<uint32_t>(p.second));
                }
                out.resize(out.size() + 48, 0);  // panning points
                out.push_back(static_cast<uint8_t>(instrument.volumePoints.size()));
                out.push_back(0);
                out.insert(out.end(), {static_cast<uint8_t>(instrument.volumeSustain),
                                       static_cast<uint8_t>(instrument.volumeLoopStart),
                                       static_cast<uint8_t>(instrument.volumeLoopEnd), 0, 0, 0,
                                       static_cast<uint8_t>(instrument.volumeType), 0, 0, 0, 0, 0});
                put16(out, static_cast<uint32_t>(instrument.fadeout));
                // Cut or padded to the stated size.
                out.resize(headerStart + instrumentHeaderSize, 0);
            }
            std::vector<uint8_t> samples;
            for (const XmSample& sample : instrument.samples) {
                uint32_t length = static_cast<uint32_t>(sample.points.size()) * (sample.sixteenBit ? 2 : 1);
                put32(out, length);
                put32(out, sample.loopStart);
                put32(out, sample.loopLength);
                out.push_back(static_cast<uint8_t>(sample.volume));
                out.push_back(static_cast<uint8_t>(sample.fineTune));
                out.push_back(static_cast<uint8_t>(sample.type | (sample.sixteenBit ? 16 : 0)));
                out.push_back(static_cast<uint8_t>(sample.panning));
                out.push_back(static_cast<uint8_t>(sample.relativeNote));
                out.push_back(0);
                putText(out, sample.name, 22);
                out.resize(out.size() + (sampleHeaderSize > 40 ? sampleHeaderSize - 40 : 0), 0);
                int16_t previous = 0;
                for (int16_t point : sample.points) {
                    int16_t delta = static_cast<int16_t>(point - previous);
                    previous = point;
                    samples.push_back(static_cast<uint8_t>(delta));
                    if (sample.sixteenBit) samples.push_back(static_cast<uint8_t>(delta >> 8));
                }
            }
            (version < 0x104 ? data : out)
                .insert((version < 0x104 ? data : out).end(), samples.begin(), samples.end());
        }
    }
};

// A pattern's packed data from each row's cells as stored: a cell is a flag
// byte and the fields it announces, or five bytes; an empty cell is 0x80.
std::vector<uint8_t> packRows(const std::vector<std::vector<std::vector<int>>>& rows) {
    std::vector<uint8_t> packed;
    for (const auto& row : rows)
        for (const auto& cell : row) {
            if (cell.empty()) packed.push_back(0x80);
            for (int value : cell) packed.push_back(static_cast<uint8_t>(value));
        }
    return packed;
}

bool load(const std::vector<uint8_t>& bytes, Song& song) {
    MemoryByteSource source(bytes);
    ModuleReader reader(source);
    if (!loadXm(reader, song)) return false;
    checkLoadedSong(song);
    ModuleReader samples(source);
    return loadSampleData(samples, song) == kSamplesLoaded;
}

const uint8_t* cellAt(const Song& song, int pattern, int row, int channel) {
    return song.findPattern(pattern)->tracks[static_cast<size_t>(channel)].data() + row * song.cellSize;
}

XmInstrument twoSampleInstrument() {
    XmInstrument instrument;
    instrument.name = "piano";
    XmSample low;
    low.points = {0, 10, 20, 30};
    low.relativeNote = 12;
    low.fineTune = -16;
    low.volume = 40;
    XmSample high;
    high.points = {-1000, 1000, 3000};
    high.sixteenBit = true;
    high.type = 2;  // ping-pong
    high.loopStart = 2;
    high.loopLength = 4;
    high.panning = 200;
    instrument.samples = {low, high};
    for (int key = 48; key < 96; ++key) instrument.map[static_cast<size_t>(key)] = 1;
    instrument.volumePoints = {{0, 64}, {4, 32}, {10, 32}};
    instrument.volumeType = 1 | 2 | 4;
    instrument.volumeSustain = 1;
    instrument.volumeLoopStart = 1;
    instrument.volumeLoopEnd = 2;
    instrument.fadeout = 300;
    return instrument;
}

TEST(XmLoader, HeaderAndMessage) {
    XmFile file;
    file.orders = {0, 0, 0};
    file.flags = 0;
    file.speed = 4;
    file.tempo = 140;
    Song song;
    ASSERT_TRUE(load(file.bytes(), song));
    EXPECT_EQ(song.format, SongFormat::xm);
    EXPECT_EQ(song.name, "xm song");
    EXPECT_EQ(song.channelCount, 4);
    EXPECT_EQ(song.length, 3);
    EXPECT_EQ(song.initialSpeed, 4);
    EXPECT_EQ(song.initialTempo, 140);
    EXPECT_FALSE(song.linearFrequencies);
    EXPECT_EQ(song.message,
              (std::vector<std::string>{"FastTracker II module (XM)", "", "Version     : 1.04",
                                        "Tracker     : TrackerName", "Frequencies : AMIGA table"}));
}

TEST(XmLoader, CellsAndEffects) {
    struct Case {
        int effect, p, code, parameter;
    };
    const Case cases[] = {{0, 0x37, kArpeggio, 0x37},
                          {1, 3, 1, 3},
                          {10, 0x21, 10, 0x21},
                          {14, 0x91, kExtended, 0x91},
                          {15, 0x20, 15, 0x20},
                          {8, 0x80, kSetPanning, 0x80},
                          {16, 0x40, kSetGlobalVolume, 255},
                          {16, 0x20, kSetGlobalVolume, 128},
                          {17, 0x31, kXmGlobalVolumeSlide, 0x31},
                          {17, 0x14, kXmGlobalVolumeSlide, 0x14},
                          {17, 0, kXmGlobalVolumeSlide, 0},  // the memory
                          {20, 3, kKeyOff, 3},
                          {21, 9, kSetEnvelopePosition, 9},
                          {27, 0x50, kRetrigger, 0x50},  // a 0 nibble takes the last one given
                          {29, 0x12, kTremor, 0x12},
                          {33, 0x15, kExtraFinePortamento, 0x15},
                          {35, 1, kNoEffect40, 1},
                          {25, 0x11, kPanningSlide, 0x11},
                          {34, 0x11, 0, 0}};
    std::vector<std::vector<std::vector<int>>> rows;
    for (const Case& c : cases) rows.push_back({{0x98, c.effect, c.p}, {}, {}, {}});
    // Notes, instruments and volumes; a note byte without the flag bit takes all five.
    rows.push_back({{1, 2, 0x50, 0, 0}, {0x83, 96, 1}, {0x81, 97}, {0x85, 5, 0x51}});
    rows.push_back({{0x84, 0x10}, {0x84, 0x60}, {0x84, 0xF3}, {0x84, 0x0F}});
    XmFile file;
    file.patterns[0].packed = packRows(rows);
    Song song;
    ASSERT_TRUE(load(file.bytes(), song));
    int row = 0;
    for (const Case& c : cases) {
        const uint8_t* cell = cellAt(song, 0, row++, 0);
        EXPECT_EQ(cell[kCellEffect], c.code) << "effect " << c.effect;
        EXPECT_EQ(cell[kCellParameter], c.parameter) << "effect " << c.effect;
        EXPECT_EQ(cell[kCellVolume], kNoVolume);
    }
    const uint8_t* first = cellAt(song, 0, row, 0);
    EXPECT_EQ(first[kCellNote], 120) << "XM's lowest note";
    EXPECT_EQ(first[kCellInstrument], 2);
    EXPECT_EQ(first[kCellVolume], 64);
    EXPECT_EQ(cellAt(song, 0, row, 1)[kCellNote], 95);
    EXPECT_EQ(cellAt(song, 0, row, 1)[kCellInstrument], 1);
    EXPECT_EQ(cellAt(song, 0, row, 2)[kCellNote], kNoteOff);
    EXPECT_EQ(cellAt(song, 0, row, 3)[kCellNote], 4);
    EXPECT_EQ(cellAt(song, 0, row, 3)[kCellVolume], kNoVolume) << "0x51 is no volume";
    ++row;
    EXPECT_EQ(cellAt(song, 0, row, 0)[kCellVolume], 0);
    EXPECT_EQ(cellAt(song, 0, row, 1)[kCellVolume], 0x60);
    EXPECT_EQ(cellAt(song, 0, row, 2)[kCellVolume], 0xF3);
    EXPECT_EQ(cellAt(song, 0, row, 3)[kCellVolume], kNoVolume);
}

TEST(XmLoader, EmptyPatternKeepsItsRows) {
    XmFile file;
    file.patterns = {XmPattern{32, {}}, XmPattern{100, {}}};
    file.orders = {0, 1};
    Song song;
    ASSERT_TRUE(load(file.bytes(), song));
    EXPECT_EQ(song.findPattern(0)->rows, 32);
    EXPECT_EQ(song.findPattern(1)->rows, 100);
    EXPECT_FALSE(song.findPattern(0)->hasTrack(0));
    EXPECT_EQ(RowTimeTable::build(song).entries().size(), 132u);
}

TEST(XmLoader, InstrumentsSamplesAndEnvelopes) {
    XmFile file;
    file.instruments = {XmInstrument{}, twoSampleInstrument()};
    file.instruments[0].name = "empty";
    file.instruments[1].map[95] = 5;  // a sample the instrument lacks
    Song song;
    ASSERT_TRUE(load(file.bytes(), song));
    EXPECT_EQ(song.instrumentCount, 2);
    EXPECT_EQ(song.findInstrument(1)->name, "empty");
    EXPECT_NE(song.findSample(1), nullptr) << "an instrument without samples has one empty slot";
    const Instrument& piano = *song.findInstrument(2);
    EXPECT_EQ(piano.noteMap[47], 16) << "keys below the split play the instrument's first sample";
    EXPECT_EQ(piano.noteMap[48], 17);
    EXPECT_EQ(piano.noteMap[120], 16) << "the lowest note plays what the first key plays";
    EXPECT_EQ(piano.noteMap[95], 16) << "a key mapped to a sample the instrument lacks plays its first";
    EXPECT_EQ(piano.noteTranspose[47], 12);
    EXPECT_EQ(piano.noteTranspose[48], 0);
    EXPECT_EQ(song.findSample(17)->relativeNote, 0) << "the transpose alone carries it, once";

    const Sample& low = *song.findSample(17);
    EXPECT_EQ(low.length, 4u);
    EXPECT_EQ(low.volume, 40);
    EXPECT_EQ(low.fineTune, -16);
    EXPECT_EQ(low.c4Speed, 112);
    EXPECT_EQ(static_cast<int8_t>(low.data[3]), 30) << "delta-coded data summed";
    EXPECT_EQ(low.noteStart.fadeout, 600) << "a fade from 32768 counted from 65536";
    ASSERT_TRUE(low.noteStart.volumeEnvelope);
    const Envelope& envelope = *low.noteStart.volumeEnvelope;
    EXPECT_EQ(envelope.values[0], 64);
    EXPECT_EQ(envelope.values[2], 48);
    EXPECT_EQ(envelope.values[4], 32);
    EXPECT_EQ(envelope.values[511], 32);
    EXPECT_TRUE(envelope.sustains);
    EXPECT_EQ(envelope.sustainBegin, 4);
    EXPECT_TRUE(envelope.loops);
    EXPECT_EQ(envelope.loopBegin, 4);
    EXPECT_EQ(envelope.loopEnd, 10);

    const Sample& high = *song.findSample(18);
    EXPECT_TRUE(high.is16Bit());
    EXPECT_EQ(high.length, 6u);
    EXPECT_EQ(high.panning, 200);
    EXPECT_TRUE(high.flags & kSamplePingPong);
    EXPECT_EQ(high.loopStart, 2u);
    EXPECT_EQ(high.loopEnd, 6u);
    int16_t last;
    std::memcpy(&last, high.data.get() + 4, 2);
    EXPECT_EQ(last, 3000);
}

TEST(XmLoader, OldVersionsKeepInstrumentsFirstAndDataLast) {
    XmFile file;
    file.version = 0x103;
    file.instruments = {twoSampleInstrument()};
    file.patterns[0].packed = packRows({{{1 + 48, 1, 0, 0, 0}, {}, {}, {}}});
    file.patterns[0].rows = 1;
    Song song;
    ASSERT_TRUE(load(file.bytes(), song));
    EXPECT_EQ(song.message[2], "Version     : 1.03");
    EXPECT_EQ(static_cast<int8_t>(song.findSample(1)->data[3]), 30);
    int16_t last;
    std::memcpy(&last, song.findSample(2)->data.get() + 4, 2);
    EXPECT_EQ(last, 3000);
    EXPECT_EQ(cellAt(song, 0, 0, 0)[kCellNote], 48);
}

TEST(XmLoader, CutInTheInstrumentsKeepsThoseBefore) {
    XmFile file;
    file.instruments = {twoSampleInstrument(), twoSampleInstrument(), twoSampleInstrument()};
    std::vector<uint8_t> whole = file.bytes();
    size_t instrument = (whole.size() - 336 - 9) / 3;
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(336 + 9 + instrument + 100));
    Song song;
    ASSERT_TRUE(load(cut, song));
    EXPECT_EQ(song.instrumentCount, 1);
    file.version = 0x103;
    std::vector<uint8_t> old = file.bytes();
    Song oldSong;
    EXPECT_FALSE(load(std::vector<uint8_t>(old.begin(), old.begin() + 400), oldSong));
}

// Stated header sizes other than the classic ones place what follows them:
// longer headers are skipped, shorter ones hold what they cover.
TEST(XmLoader, StoredHeaderSizesPlaceWhatFollows) {
    struct Case {
        const char* what;
        int version;
        bool compact;
        uint32_t pattern, instrument, sample;
        bool envelope;  // the instrument header reaches the envelopes
    };
    const Case cases[] = {{"classic", 0x104, false, 9, 263, 40, true},
                          {"compact header", 0x104, true, 9, 263, 40, true},
                          {"longer pattern header", 0x104, true, 12, 263, 40, true},
                          {"short pattern header", 0x104, true, 5, 263, 40, true},
                          {"version 1.02 pattern header", 0x102, true, 8, 263, 40, true},
                          {"longer instrument header", 0x104, true, 9, 300, 40, true},
                          {"instrument header without envelopes", 0x104, true, 9, 129, 40, false},
                          {"longer sample header", 0x104, true, 9, 263, 48, true},
                          {"sample header size 0", 0x104, true, 9, 263, 0, true}};
    for (const Case& c : cases) {
        XmFile file;
        file.version = c.version;
        file.compactHeader = c.compact;
        file.patternHeaderLength = c.pattern;
        file.instrumentHeaderSize = c.instrument;
        file.sampleHeaderSize = c.sample;
        file.orders = {1, 0, 1};
        file.patterns = {XmPattern{2, packRows({{{}, {}, {}, {}}, {{}, {}, {}, {}}})},
                         XmPattern{3, packRows({{{49, 2, 0, 0, 0}, {}, {}, {}}})}};
        file.instruments = {twoSampleInstrument(), twoSampleInstrument()};
        Song song;
        ASSERT_TRUE(load(file.bytes(), song)) << c.what;
        EXPECT_EQ(song.length, 3) << c.what;
        EXPECT_EQ(std::vector<uint16_t>(song.orders.begin(), song.orders.begin() + 4),
                  (std::vector<uint16_t>{1, 0, 1, 0}))
            << c.what;
        EXPECT_EQ(song.findPattern(1)->rows, 3) << c.what;
        EXPECT_EQ(cellAt(song, 1, 0, 0)[kCellNote], 48) << c.what;
        EXPECT_EQ(cellAt(song, 1, 0, 0)[kCellInstrument], 2) << c.what;
        EXPECT_EQ(song.findInstrument(2)->noteMap[48], 17) << c.what;
        EXPECT_EQ(song.findSample(18)->noteStart.volumeEnvelope != nullptr, c.envelope) << c.what;
        int16_t last;
        std::memcpy(&last, song.findSample(18)->data.get() + 4, 2);
        EXPECT_EQ(last, 3000) << c.what;
    }
    // A header too short for its own fields is broken.
    XmFile file;
    std::vector<uint8_t> bytes = file.bytes();
    bytes[60] = 19;
    Song song;
    EXPECT_FALSE(load(bytes, song));
}

TEST(XmLoader, EveryPrefixLoadsOrFailsCleanly) {
    XmFile file;
    file.instruments = {twoSampleInstrument(), XmInstrument{}};
    file.patterns[0].packed = packRows({{{49, 2, 0x30, 4, 0x12}, {}, {0x81, 97}, {}}});
    file.patterns[0].rows = 2;
    std::vector<uint8_t> bytes = file.bytes();
    for (size_t size = 0; size < bytes.size(); ++size) {
        Song song;
        std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<long>(size));
        load(prefix, song);
    }
}

TEST(XmLoader, LoadedNotesPlayThroughTheirEnvelope) {
    XmFile file;
    file.instruments = {twoSampleInstrument()};
    file.patterns[0].packed = packRows({{{49, 1, 0, 0, 0}, {}, {}, {}}, {{}, {}, {}, {}}});
    file.patterns[0].rows = 2;
    Song song;
    ASSERT_TRUE(load(file.bytes(), song));
    test::VoiceRecorder voices;
    Sequencer sequencer(song, voices);
    sequencer.start();
    for (int i = 0; i < 7 + 6; ++i) sequencer.runTick(44100);
    const ChannelState& channel = sequencer.state().channels[0];
    EXPECT_EQ(channel.sample, 2) << "note 48 plays the second sample";
    EXPECT_EQ(voices.voices[0].starts, 1);
    EXPECT_EQ(channel.volumeEnvelope.position, 4) << "held at the sustain tick";
    EXPECT_EQ(voices.voices[0].frequency, 8363) << "C-4 of a sample without fine-tune or transpose";
}

// XM tone portamento and the envelopes, as openmpt123 plays them: a note
// restarts its envelope only with an instrument number, which takes back a
// key off too; without one a released note fades on.
TEST(XmLoader, TonePortamentoRestartsTheEnvelopeOnlyWithAnInstrumentNumber) {
    struct Case {
        bool keyOff;
        int instrument;
        bool restarts;
    };
    for (const Case& c :
         {Case{false, 0, false}, Case{false, 1, true}, Case{true, 0, false}, Case{true, 1, true}}) {
        XmFile file;
        file.instruments = {twoSampleInstrument()};
        file.instruments[0].volumeType = 1;  // no sustain: the envelope runs on
        file.patterns[0].packed =
            packRows({{{49, 1, 0, 0, 0}, {}, {}, {}},
                      {c.keyOff ? std::vector<int>{0x81, 97} : std::vector<int>{}, {}, {}, {}},
                      {{0x9B, 61, c.instrument, 3, 0x10}, {}, {}, {}}});
        file.patterns[0].rows = 3;
        Song song;
        ASSERT_TRUE(load(file.bytes(), song));
        test::VoiceRecorder voices;
        Sequencer sequencer(song, voices);
        sequencer.start();
        for (int i = 0; i < 7 + 6 * 2 + 1; ++i) sequencer.runTick(44100);
        const ChannelState& channel = sequencer.state().channels[0];
        EXPECT_EQ(channel.keyOff, c.keyOff && !c.instrument) << c.keyOff << c.instrument;
        EXPECT_EQ(channel.volumeEnvelope.position < 6, c.restarts) << c.keyOff << c.instrument;
    }
}

}  // namespace
}  // namespace tumbor::trk
