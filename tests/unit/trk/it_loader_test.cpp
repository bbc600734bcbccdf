// The IT loader over files built byte by byte: header, samples, instruments
// and envelopes, pattern unpacking, command translation, damaged files, and
// a loaded song playing.
#include "libs/trk/loaders/it_loader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "libs/trk/loaders/loaders.h"
#include "libs/trk/loaders/sample_stage.h"
#include "libs/trk/sequencer/effects.h"
#include "tests/unit/trk/sequencer_rig.h"

namespace tumbor::trk::test {
namespace {

using Bytes = std::vector<uint8_t>;
using Nodes = std::vector<std::pair<int, int>>;  // (value, tick)

void putU16(Bytes& bytes, size_t at, uint32_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

void putU32(Bytes& bytes, size_t at, uint32_t value) {
    putU16(bytes, at, value & 0xFFFF);
    putU16(bytes, at + 2, value >> 16);
}

void putText(Bytes& bytes, size_t at, const std::string& text) {
    std::memcpy(bytes.data() + at, text.data(), text.size());
}

struct ItSample {
    Bytes header = Bytes(80, 0);
    Bytes data;  // placed at the end of the file
};

// A sample of the given data bytes (16-bit with flag bit 1), signed unless
// convert says otherwise.
ItSample itSample(const Bytes& data, uint8_t flags = 1, uint8_t convert = 1) {
    ItSample sample{Bytes(80, 0), data};
    putText(sample.header, 0, "IMPS");
    sample.header[17] = 64;
    sample.header[18] = flags;
    sample.header[19] = 64;
    sample.header[46] = convert;
    putU32(sample.header, 48, static_cast<uint32_t>(data.size() / ((flags & 2) ? 2 : 1)));
    putU32(sample.header, 60, 8363);
    return sample;
}

// An instrument playing sample on every key at the key's own note; the old
// format has no envelope nodes (ticks 255) at 504.
Bytes instrument(int sample, bool oldFormat = false) {
    Bytes bytes(554, 0);
    putText(bytes, 0, "IMPI");
    bytes[24] = oldFormat ? 0 : 128;
    bytes[25] = oldFormat ? 0 : 0x80;
    for (int key = 0; key < 120; ++key) {
        bytes[static_cast<size_t>(64 + 2 * key)] = static_cast<uint8_t>(key);
        bytes[static_cast<size_t>(65 + 2 * key)] = static_cast<uint8_t>(sample);
    }
    if (oldFormat)
        for (size_t at = 504; at < 554; at += 2) bytes[at] = 255;
    return bytes;
}

constexpr size_t kVolumeEnvelope = 304;
constexpr size_t kPanningEnvelope = 304 + 82;

void putEnvelope(Bytes& bytes, size_t at, uint8_t flags, const Nodes& nodes, Bytes loops = {0, 0, 0, 0}) {
    bytes[at] = flags;
    bytes[at + 1] = static_cast<uint8_t>(nodes.size());
    std::copy(loops.begin(), loops.end(), bytes.begin() + static_cast<long>(at) + 2);
    for (size_t i = 0; i < nodes.size() && i < 25; ++i) {
        bytes[at + 6 + 3 * i] = static_cast<uint8_t>(nodes[i].first);
        putU16(bytes, at + 7 + 3 * i, static_cast<uint32_t>(nodes[i].second));
    }
}

Bytes packedPattern(int rows, const Bytes& data) {
    Bytes bytes(8, 0);
    putU16(bytes, 0, static_cast<uint32_t>(data.size()));
    putU16(bytes, 2, static_cast<uint32_t>(rows));
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

struct ItFile {
    Bytes header = Bytes(192, 0);
    Bytes orders = {0, 255};
    std::vector<Bytes> instruments;
    std::vector<ItSample> samples;
    std::vector<Bytes> patterns;  // an empty one gets offset 0
    std::string message;
    Bytes afterTables;  // edit history, macros

    explicit ItFile(int flags = 0) {
        putText(header, 0, "IMPM");
        putText(header, 4, "it test");
        putU16(header, 40, 0x214);
        putU16(header, 42, 0x200);
        putU16(header, 44, static_cast<uint32_t>(flags));
        header[48] = 128;
        header[50] = 6;
        header[51] = 125;
        std::fill(header.begin() + 64, header.begin() + 128, 32);
        std::fill(header.begin() + 128, header.begin() + 192, 64);
    }

    Bytes bytes() const {
        Bytes file = header;
        putU16(file, 32, static_cast<uint32_t>(orders.size()));
        putU16(file, 34, static_cast<uint32_t>(instruments.size()));
        putU16(file, 36, static_cast<uint32_t>(samples.size()));
        putU16(file, 38, static_cast<uint32_t>(patterns.size()));
        file.insert(file.end(), orders.begin(), orders.end());
        size_t slot = file.size();
        file.resize(slot + 4 * (instruments.size() + samples.size() + patterns.size()));
        file.insert(file.end(), afterTables.begin(), afterTables.end());
        auto place = [&](const Bytes& block) {
            putU32(file, slot, block.empty() ? 0 : static_cast<uint32_t>(file.size()));
            slot += 4;
            file.insert(file.end(), block.begin(), block.end());
        };
        for (const Bytes& block : instruments) place(block);
        std::vector<size_t> sampleHeaders;
        for (const ItSample& sample : samples) {
            sampleHeaders.push_back(file.size());
            place(sample.header);
        }
        for (const Bytes& block : patterns) place(block);
        if (!message.empty()) {
            file[46] |= 1;
            putU16(file, 54, static_cast<uint32_t>(message.size()));
            putU32(file, 56, static_cast<uint32_t>(file.size()));
            file.insert(file.end(), message.begin(), message.end());
        }
        for (size_t i = 0; i < samples.size(); ++i) {
            putU32(file, sampleHeaders[i] + 72, static_cast<uint32_t>(file.size()));
            file.insert(file.end(), samples[i].data.begin(), samples[i].data.end());
        }
        return file;
    }
};

// The loader alone, or (withSamples) with the checks and the sample stage.
bool load(const Bytes& bytes, Song& song, bool withSamples = false) {
    MemoryByteSource source(bytes);
    ModuleReader reader(source);
    if (!loadIt(reader, song)) return false;
    if (!withSamples) return true;
    checkLoadedSong(song);
    return loadSampleData(reader, song) == kSamplesLoaded;
}

Bytes cellAt(const Song& song, int pattern, int row, int channel) {
    const std::vector<uint8_t>& track = song.findPattern(pattern)->tracks[static_cast<size_t>(channel)];
    if (track.empty()) return {};
    return Bytes(track.begin() + row * 5, track.begin() + row * 5 + 5);
}

std::vector<int> values(const EnvelopeRef& envelope) {
    if (!envelope) return {};
    return std::vector<int>(envelope->values.begin(), envelope->values.end());
}

// One block of 8-bit data: width 6 from the first code, then +3 and -2.
Bytes compressedBlock() {
    uint32_t bits = (256 + 5) | 3u << 9 | 62u << 15;  // 21 bits, lowest first
    return Bytes{3, 0, static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                 static_cast<uint8_t>(bits >> 16)};
}

TEST(ItLoader, HeaderSettingsAndInformationLines) {
    ItFile file(8);
    putText(file.header, 4, "twenty-five bytes of nameXZ");  // byte 26 is not the name's
    putU16(file.header, 40, 0x21A);
    file.header[50] = 3;
    file.header[51] = 150;
    file.header[64] = 100;
    file.header[65] = 0x80 | 20;
    file.header[128] = 17;
    file.orders.assign(1500, 254);
    file.orders[1023] = 7;
    Song song;
    ASSERT_TRUE(load(file.bytes(), song));
    EXPECT_EQ(song.format, SongFormat::it);
    EXPECT_EQ(song.cellSize, 5);
    EXPECT_EQ(song.name, "twenty-five bytes of name");
    EXPECT_EQ(song.message,
              (std::vector<std::string>{"IT Tracker module", "",
                                        "Created with version 2.1A and compatible with version 2.00"}));
    EXPECT_TRUE(song.linearFrequencies);
    EXPECT_EQ(song.initialSpeed, 3);
    EXPECT_EQ(song.initialTempo, 150);
    EXPECT_EQ(song.channelPanning[0], 32) << "surround plays at the centre";
    EXPECT_EQ(song.channelPanning[1], 20) << "a disabled channel keeps its panning";
    EXPECT_EQ(song.channelVolume[0], 17);
    EXPECT_EQ(song.orders.size(), 1024u) << "markers kept, at most 1024";
    EXPECT_EQ(song.orders[1023], 7);
    EXPECT_EQ(song.length, 1024);
    EXPECT_EQ(song.channelCount, 1);
    EXPECT_EQ(loaderFor(SongFormat::it), &loadIt);

    for (auto [stored, expected] : {std::pair{64, 128}, {0, 0}, {127, 254}, {128, 255}, {200, 255}}) {
        file.header[48] = static_cast<uint8_t>(stored);
        Song other;
        ASSERT_TRUE(load(file.bytes(), other));
        EXPECT_EQ(other.initialGlobalVolume, expected) << stored;
    }
}

TEST(ItLoader, SampleHeadersAndData) {
    ItFile file;
    ItSample looped = itSample(Bytes(200, 0x10), 1 | 2 | 0x10 | 0x40);  // 16-bit, ping-pong loop
    putText(looped.header, 20, "sample name");
    looped.header[17] = 99;
    looped.header[19] = 40;
    looped.header[47] = 0x80 | 48;
    putU32(looped.header, 52, 10);
    putU32(looped.header, 56, 90);
    putU32(looped.header, 60, 22050);
    file.samples.push_back(looped);
    ItSample plain = itSample(Bytes{0x80, 0x00, 0x7F}, 1, 0);  // unsigned
    plain.header[47] = 20;                                     // no bit 7: no panning
    file.samples.push_back(plain);
    file.samples.push_back(itSample(Bytes{0x00, 0x80, 0x34, 0x12}, 1 | 2, 0));
    ItSample compressed = itSample(compressedBlock(), 1 | 8);
    putU32(compressed.header, 48, 2);
    file.samples.push_back(compressed);
    ItSample wide = itSample(Bytes{0, 0}, 1 | 2 | 8);
    putU32(wide.header, 48, 3);
    file.samples.push_back(wide);
    file.message = "hello";
    Song song;
    ASSERT_TRUE(load(file.bytes(), song, true));

    const Sample& first = *song.findSample(1);
    EXPECT_EQ(first.flags, kSample16Bit | kSampleLooped | kSamplePingPong);
    EXPECT_EQ(first.length, 200u);
    EXPECT_EQ(first.loopStart, 20u) << "points of two bytes";
    EXPECT_EQ(first.loopEnd, 180u);
    EXPECT_EQ(first.c4Speed, 22050);
    EXPECT_EQ(first.volume, 40);
    EXPECT_EQ(first.globalVolume, 64) << "held to IT's range";
    EXPECT_EQ(first.panning, 48);
    EXPECT_EQ(first.name, "sample name");
    EXPECT_EQ(first.data[0], 0x10) << "signed data as stored";
    EXPECT_EQ(song.findSample(2)->panning, -1);
    EXPECT_EQ(Bytes(song.findSample(2)->data.get(), song.findSample(2)->data.get() + 3),
              (Bytes{0x00, 0x80, 0xFF}));
    EXPECT_EQ(Bytes(song.findSample(3)->data.get(), song.findSample(3)->data.get() + 4),
              (Bytes{0x00, 0x00, 0x34, 0x92}));

    const Sample& packed = *song.findSample(4);
    EXPECT_EQ(packed.encoding, SampleEncoding::it8);
    EXPECT_EQ(Bytes(packed.data.get(), packed.data.get() + 3), (Bytes{3, 1, 0}));
    EXPECT_EQ(song.findSample(5)->encoding, SampleEncoding::it16);
    EXPECT_EQ(song.findSample(5)->length, 6u);
    EXPECT_TRUE(song.compressedSamples);
    ASSERT_EQ(song.message.size(), 5u);
    EXPECT_EQ(song.message[3], "Module uses compressed samples.") << "before the song's own message";
    EXPECT_EQ(song.message[4], "hello");

    // Sample mode: each sample gets an instrument playing it on every note.
    EXPECT_EQ(song.instrumentCount, 5);
    EXPECT_EQ(song.findInstrument(3)->noteMap[0], 2);
    EXPECT_EQ(song.findInstrument(3)->noteMap[119], 2);
}

TEST(ItLoader, NewFormatInstruments) {
    ItFile file(4);
    Bytes lead = instrument(2);
    putText(lead, 32, "lead");
    putU16(lead, 20, 100);
    lead[17] = 3;  // new notes fade it
    lead[18] = 2;  // duplicates: notes of the same sample, released
    lead[19] = 1;
    lead[24] = 96;
    lead[25] = 40;
    lead[64 + 2 * 60] = 67;  // key 60 plays note 67 of sample 5
    lead[65 + 2 * 60] = 5;
    lead[65 + 2 * 61] = 0;    // key 61 plays nothing
    lead[64 + 2 * 10] = 200;  // past IT's notes: held at 119
    putEnvelope(lead, kVolumeEnvelope, 1 | 2 | 4, {{0, 0}, {64, 4}, {32, 6}}, {1, 2, 0, 1});
    putEnvelope(lead, kPanningEnvelope, 1, {{-32, 0}, {32, 2}});
    putEnvelope(lead, 304 + 164, 1 | 0x80, {{10, 0}, {20, 5}});  // pitch, as a filter envelope
    lead[58] = 0x80 | 40;                                        // cutoff 40
    lead[59] = 0x80 | 100;                                       // resonance 100
    file.instruments.push_back(lead);
    Bytes plain = instrument(1);
    plain[17] = 9;                                              // no such action: cut
    plain[58] = 40;                                             // no bit 7: no cutoff
    putEnvelope(plain, kVolumeEnvelope, 0, {{0, 0}, {64, 4}});  // off
    putEnvelope(plain, kPanningEnvelope, 1, {{0, 0}});          // one node
    file.instruments.push_back(plain);
    Song song;
    ASSERT_TRUE(load(file.bytes(), song));
    EXPECT_EQ(song.instrumentCount, 2);

    const Instrument& first = *song.findInstrument(1);
    EXPECT_EQ(first.name, "lead");
    EXPECT_EQ(first.fadeout, 6400);
    EXPECT_EQ(first.globalVolume, 96);
    EXPECT_EQ(first.panning, 40);
    EXPECT_EQ(first.newNoteAction, NewNoteAction::fade);
    EXPECT_EQ(first.duplicateCheck, DuplicateCheck::sample);
    EXPECT_EQ(first.duplicateAction, DuplicateAction::release);
    EXPECT_EQ(first.noteMap[59], 1);
    EXPECT_EQ(first.noteMap[60], 4);
    EXPECT_EQ(first.noteTranspose[60], 7);
    EXPECT_EQ(first.noteMap[61], -1);
    EXPECT_EQ(first.noteTranspose[10], 109);
    EXPECT_EQ(first.noteMap[120], -1) << "keys past the table play nothing";
    EXPECT_EQ(values(first.volumeEnvelope), (std::vector<int>{0, 16, 32, 48, 64, 48, 32}));
    EXPECT_TRUE(first.volumeEnvelope->loops && first.volumeEnvelope->sustains);
    EXPECT_EQ(first.volumeEnvelope->loopBegin, 4);
    EXPECT_EQ(first.volumeEnvelope->loopEnd, 6);
    EXPECT_EQ(first.volumeEnvelope->sustainBegin, 0);
    EXPECT_EQ(first.volumeEnvelope->sustainEnd, 4);
    EXPECT_EQ(values(first.panningEnvelope), (std::vector<int>{-32, 0, 32})) << "signed panning";
    EXPECT_FALSE(first.panningEnvelope->loops);
    EXPECT_EQ(values(first.pitchEnvelope), (std::vector<int>{80, 96, 112, 128, 144, 160})) << "in eighths";
    EXPECT_TRUE(first.pitchEnvelope->filters);
    EXPECT_EQ(first.filterCutoff, 40);
    EXPECT_EQ(first.filterResonance, 100);
    EXPECT_TRUE(song.usesFilters);
    EXPECT_EQ(song.message.back(), "Module uses resonant filters.");

    const Instrument& second = *song.findInstrument(2);
    EXPECT_EQ(second.panning, -1) << "bit 7: no override";
    EXPECT_EQ(second.newNoteAction, NewNoteAction::cut);
    EXPECT_FALSE(second.volumeEnvelope->enabled) << "an envelope that is off, kept for S78";
    EXPECT_EQ(second.filterCutoff, -1);
    EXPECT_EQ(second.pitchEnvelope, nullptr) << "no nodes";
    EXPECT_EQ(second.panningEnvelope, nullptr) << "an envelope of one node";
}

TEST(ItLoader, OldFormatInstruments) {
    ItFile file(4);
    putU16(file.header, 42, 0x1FF);
    Bytes old = instrument(3, true);
    putU16(old, 24, 3);
    old[26] = 1;  // new notes leave it playing, but not a repeated note
    old[27] = 1;
    old[17] = 1 | 2;
    old[19] = 1;  // loop from node 0 to node 1
    const uint8_t nodes[] = {0, 64, 2, 0, 3, 10, 255, 50};
    std::memcpy(old.data() + 504, nodes, sizeof nodes);
    file.instruments.push_back(old);
    Bytes single = instrument(1, true);
    single[17] = 1;
    single[504] = 0;  // one node before the end mark
    file.instruments.push_back(single);
    Song song;
    ASSERT_TRUE(load(file.bytes(), song));
    const Instrument& first = *song.findInstrument(1);
    EXPECT_EQ(first.fadeout, 3 * 128);
    EXPECT_EQ(first.newNoteAction, NewNoteAction::carryOn);
    EXPECT_EQ(first.duplicateCheck, DuplicateCheck::note);
    EXPECT_EQ(first.duplicateAction, DuplicateAction::cut);
    EXPECT_EQ(first.globalVolume, -1);
    EXPECT_EQ(first.panning, -1);
    EXPECT_EQ(first.noteMap[30], 2);
    EXPECT_EQ(values(first.volumeEnvelope), (std::vector<int>{64, 32, 0, 10}));
    EXPECT_TRUE(first.volumeEnvelope->loops);
    EXPECT_EQ(first.volumeEnvelope->loopEnd, 2);
    EXPECT_FALSE(first.volumeEnvelope->sustains);
    EXPECT_EQ(song.findInstrument(2)->volumeEnvelope, nullptr);
}

TEST(ItLoader, EnvelopeEdgeForms) {
    Bytes block(82, 0);
    Nodes nodes;
    for (int i = 0; i < 25; ++i) nodes.push_back({i, i});
    putEnvelope(block, 0, 1, nodes);
    EXPECT_EQ(values(expandItEnvelope(block.data(), ItEnvelope::volume)).size(), 25u);
    block[1] = 26;
    EXPECT_EQ(expandItEnvelope(block.data(), ItEnvelope::volume), nullptr) << "more than 25 nodes";
    // Ticks out of order: the next node's value lands on its own tick, and
    // nothing is written past the table; a loop to a missing node is none.
    putEnvelope(block, 0, 1 | 2, {{10, 0}, {50, 3000}, {20, 2}, {30, 4}}, {1, 9, 0, 0});
    EXPECT_EQ(values(expandItEnvelope(block.data(), ItEnvelope::volume)),
              (std::vector<int>{10, 10, 20, 25, 30}));
    EXPECT_FALSE(expandItEnvelope(block.data(), ItEnvelope::volume)->loops);
    putEnvelope(block, 0, 1, {{200, 0}, {100, 1}});
    EXPECT_EQ(values(expandItEnvelope(block.data(), ItEnvelope::volume)), (std::vector<int>{64, 64}));
    EXPECT_EQ(values(expandItEnvelope(block.data(), ItEnvelope::panning)), (std::vector<int>{-32, 32}));
}

TEST(ItLoader, UnpacksChannelMaskPacking) {
    ItFile file;
    file.patterns.push_back(packedPattern(5, {
                                                 0x81, 0x0F, 60,  2,  30, 1, 6,  // ch 0: all four, A06
                                                 0x83, 0xF0,                     // ch 2: last values (none)
                                                 0,                              //
                                                 0x01, 61,   3,   40, 2,  1,     // ch 0: mask reused, B01
                                                 0xC0, 0x01, 255,                // ch 63: dropped
                                                 0x85, 0x01, 254, 0,             // ch 4: note cut
                                                 0x81, 0xF0,                     // ch 0: all repeated
                                                 0x82, 0x01, 253, 0,             // ch 1: note fade
                                                 0x81, 0x01, 255, 0,             // ch 0: key off
                                                 0x81, 0x0F, 60,                 // cut inside an entry
                                             }));
    file.patterns.push_back({});
    Song song;
    ASSERT_TRUE(load(file.bytes(), song));
    EXPECT_EQ(song.channelCount, 5) << "highest channel used + 1";
    EXPECT_EQ(song.patternCount, 2);
    EXPECT_EQ(song.findPattern(0)->rows, 5);
    EXPECT_EQ(cellAt(song, 0, 0, 0), (Bytes{60, 2, kSetSpeed, 6, 30}));
    EXPECT_EQ(cellAt(song, 0, 0, 2), (Bytes{0, 0, 0, 0, 255}));
    EXPECT_EQ(cellAt(song, 0, 1, 0), (Bytes{61, 3, kPositionJump, 1, 40}));
    EXPECT_EQ(cellAt(song, 0, 2, 0), (Bytes{61, 3, kPositionJump, 1, 40}));
    EXPECT_EQ(cellAt(song, 0, 1, 4)[kCellNote], kNoteCut);
    EXPECT_EQ(cellAt(song, 0, 2, 1)[kCellNote], kNoteFade);
    EXPECT_EQ(cellAt(song, 0, 3, 0), (Bytes{kNoteOff, 0, 0, 0, 255}));
    EXPECT_EQ(cellAt(song, 0, 4, 0), (Bytes{0, 0, 0, 0, 255})) << "an entry the data cut is dropped";
    EXPECT_EQ(cellAt(song, 0, 1, 1), (Bytes{0, 0, 0, 0, 255})) << "tracks start with no volume";
    EXPECT_TRUE(cellAt(song, 0, 0, 3).empty()) << "a channel never used has no track";
    EXPECT_EQ(song.findPattern(1)->rows, 64) << "offset 0: an empty pattern";
    EXPECT_FALSE(song.findPattern(1)->hasTrack(0));
}

TEST(ItLoader, RowCountsAndPackedLengthsAreChecked) {
    for (auto [rows, loads] : {std::pair{1, true}, {256, true}, {0, false}, {257, false}}) {
        ItFile file;
        file.patterns.push_back(packedPattern(rows, {0, 0x81, 1, 60, 0}));
        Song song;
        EXPECT_EQ(load(file.bytes(), song), loads) << rows;
        if (!loads) continue;
        EXPECT_EQ(song.findPattern(0)->rows, rows);
        EXPECT_EQ(song.findPattern(0)->hasTrack(0), rows > 1) << "rows past the count are not read";
    }
    ItFile file;
    file.patterns.push_back(packedPattern(64, {0, 0}));
    Bytes bytes = file.bytes();
    putU16(bytes, bytes.size() - 10, 3);  // one byte more than the file holds
    Song song;
    EXPECT_FALSE(load(bytes, song));
}

TEST(ItLoader, CommandTranslation) {
    struct Case {
        int command, parameter;
        bool linear;
        int code, expected;
    };
    // clang-format off
    const Case cases[] = {
        {1, 6, 0, kSetSpeed, 6}, {2, 3, 0, kPositionJump, 3}, {3, 0x12, 0, kPatternBreak, 0x12},
        {4, 0x0F, 0, kFineVolumeSlide, 0x0F}, {5, 3, 0, kFinePortamentoDown, 3},
        {5, 3, 1, kLinearPortamentoDown, 3}, {6, 4, 0, kFinePortamentoUp, 4},
        {6, 4, 1, kLinearPortamentoUp, 4}, {7, 5, 0, kTonePortamento, 5}, {7, 5, 1, kLinearTonePortamento, 5},
        {8, 0x44, 0, kVibrato, 0x44}, {8, 0x44, 1, kLinearVibrato, 0x44}, {9, 0x21, 0, kTremor, 0x21},
        {10, 0x37, 0, kArpeggio, 0x37}, {10, 0, 0, kArpeggioAgain, 0}, {11, 0x20, 0, kVibratoFineVolumeSlide, 0x20},
        {11, 0x20, 1, kLinearVibratoVolumeSlide, 0x20}, {12, 2, 0, kTonePortamentoFineVolumeSlide, 2},
        {12, 2, 1, kLinearTonePortamentoVolumeSlide, 2}, {13, 40, 0, kSetChannelVolume, 40},
        {14, 0x1F, 0, kChannelVolumeSlide, 0x1F}, {15, 0x10, 0, kSampleOffset, 0x10},
        {17, 0x34, 0, kRetriggerVolume, 0x34}, {18, 0x56, 0, kTremolo, 0x56}, {20, 0x12, 0, kTempoSlide, 0x12},
        {22, 0x40, 0, kSetGlobalVolume, 0x80}, {22, 0x80, 0, kSetGlobalVolume, 255}, {22, 0x81, 0, 0, 0},
        {23, 0xF1, 0, kGlobalVolumeSlide, 0xF1}, {24, 0xFF, 0, kSetPanning, 63}, {24, 0x80, 0, kSetPanning, 32},
        {16, 0x10, 0, kPanningSlide, 0x10}, {21, 1, 0, kFineVibrato, 1}, {25, 1, 0, kPanbrello, 1},
        {26, 0x90, 0, kMidiMacro, 0x90}, {0, 1, 0, 0, 0},
        {27, 1, 0, 0, 0},
        // S: sub-commands renumbered, S8y through IT's panning table.
        {19, 0x05, 0, kExtended, 0x05}, {19, 0x13, 0, kExtended, 0x33}, {19, 0x23, 0, kExtended, 0x53},
        {19, 0x31, 0, kExtended, 0x41}, {19, 0x42, 0, kExtended, 0x72}, {19, 0x81, 0, kSetPanning, 4},
        {19, 0x87, 0, kSetPanning, 29}, {19, 0x8F, 0, kSetPanning, 63}, {19, 0xA2, 0, kSampleOffsetHigh, 2},
        {19, 0xB3, 0, kExtended, 0x63}, {19, 0xC4, 0, kExtended, 0xC4}, {19, 0xD5, 0, kExtended, 0xD5},
        {19, 0xE6, 0, kExtended, 0xE6}, {19, 0x51, 0, kPanbrelloWaveform, 1}, {19, 0x61, 0, kFinePatternDelay, 1},
        {19, 0x70, 0, kNoteActionCommand, 0}, {19, 0x7C, 0, kNoteActionCommand, 12}, {19, 0x7D, 0, 0, 0},
        {19, 0x90, 0, 0, 0}, {19, 0x91, 0, kSetPanning, 32}, {19, 0xF1, 0, kSelectMacro, 1}};
    // clang-format on
    for (const Case& c : cases) {
        ItCommand command = translateItCommand(c.command, c.parameter, c.linear);
        EXPECT_EQ(command.code, c.code) << c.command << " " << c.parameter << " linear " << c.linear;
        EXPECT_EQ(command.parameter, c.expected) << c.command << " " << c.parameter << " linear " << c.linear;
    }
}

// The 4896-byte macro block with the given parametered (0 .. 15) and fixed
// (0x80 .. 0xFF) macros.
Bytes macroBlock(const std::vector<std::pair<int, std::string>>& macros) {
    Bytes block((9 + 16 + 128) * 32, 0);
    for (const auto& [number, text] : macros)
        putText(block, static_cast<size_t>(9 * 32 + (number < 16 ? number : number - 0x80 + 16) * 32), text);
    return block;
}

TEST(ItLoader, MidiMacros) {
    const Bytes embedded = macroBlock({{0, "F0F001z"},
                                       {1, "F0 F0 00 40"},
                                       {0x80, "F0F000z"},
                                       {0x81, "F0F0017F"},
                                       {0x82, "9c n v"},
                                       {0x83, "F0F000v"}});
    Bytes history = {2, 0};
    history.resize(2 + 16, 0x33);  // two 8-byte entries
    history.insert(history.end(), embedded.begin(), embedded.end());
    using Target = MacroTarget;
    struct Case {
        const char* name;
        int flags, special, createdWith;
        Bytes after;
        std::vector<std::pair<Target, int>> expected;  // SF0, SF1, Z80, Z81, Z82, Z83, Z8F
    };
    const std::vector<std::pair<Target, int>> defaults = {
        {Target::cutoff, -1},    {Target::none, -1},      {Target::resonance, 0},  {Target::resonance, 8},
        {Target::resonance, 16}, {Target::resonance, 24}, {Target::resonance, 120}};
    const std::vector<std::pair<Target, int>> read = {
        {Target::resonance, -1}, {Target::cutoff, 0x40}, {Target::cutoff, -1}, {Target::resonance, 0x7F},
        {Target::none, -1},      {Target::none, -1},     {Target::none, -1}};
    const Case cases[] = {
        {"none embedded: the defaults", 0, 0, 0x214, embedded, defaults},
        {"special bit 3", 0, 8, 0x214, embedded, read},
        {"flags bit 7, after the edit history", 0x80, 2, 0x214, history, read},
        {"edit history longer than the file: not skipped", 0, 2 | 8, 0x214, Bytes{200, 0}, defaults},
        {"a block the file cannot hold", 0, 8, 0x214, Bytes(100, 0), defaults},
        {"before IT 2.14 no Zxx", 0, 8, 0x213, embedded, std::vector<std::pair<Target, int>>(7)},
    };
    for (const Case& c : cases) {
        ItFile file(c.flags);
        file.header[46] = static_cast<uint8_t>(c.special);
        putU16(file.header, 40, static_cast<uint32_t>(c.createdWith));
        file.afterTables = c.after;
        file.samples.push_back(itSample(Bytes(4, 1)));
        Song song;
        ASSERT_TRUE(load(file.bytes(), song)) << c.name;
        const MidiMacros& m = song.macros;
        const FilterMacro got[] = {m.parametered[0], m.parametered[1], m.fixed[0], m.fixed[1],
                                   m.fixed[2],       m.fixed[3],       m.fixed[15]};
        for (size_t i = 0; i < 7; ++i) {
            EXPECT_EQ(got[i].target, c.expected[i].first) << c.name << " macro " << i;
            if (got[i].target != Target::none) {
                EXPECT_EQ(got[i].value, c.expected[i].second) << c.name << " " << i;
            }
        }
        EXPECT_FALSE(song.usesFilters) << c.name << ": no instrument or Zxx filters";
    }
}

TEST(ItLoader, MessageLinesAndDamage) {
    ItFile file;
    const char text[] = "first\rsecond\r\n\rlast\0ignored";
    file.message = std::string(text, sizeof text - 1);
    file.samples.push_back(itSample(Bytes(4, 1)));
    Song song;
    ASSERT_TRUE(load(file.bytes(), song));
    EXPECT_EQ(std::vector<std::string>(song.message.begin() + 3, song.message.end()),
              (std::vector<std::string>{"first", "second", "", "last"}));

    const Bytes bytes = file.bytes();
    auto broken = [&](size_t at, uint32_t value, bool wide) {
        Bytes damaged = bytes;
        wide ? putU32(damaged, at, value) : putU16(damaged, at, value);
        Song other;
        return !load(damaged, other);
    };
    EXPECT_TRUE(broken(56, static_cast<uint32_t>(bytes.size()) - 10, true)) << "a message past the end";
    EXPECT_TRUE(broken(38, 0xFFFF, false)) << "offset tables past the end";
    EXPECT_TRUE(broken(194, static_cast<uint32_t>(bytes.size()) - 40, true)) << "a sample header cut";
    EXPECT_TRUE(broken(0, 'X', false)) << "no IMPM";
}

// A song with every kind of block: instrument mode, linear slides,
// envelopes, a plain and a compressed sample, two patterns, a message.
ItFile richFile() {
    ItFile file(4 | 8);
    file.header[48] = 64;
    Bytes lead = instrument(1);
    putEnvelope(lead, kVolumeEnvelope, 1 | 4, {{64, 0}, {32, 3}, {0, 10}}, {0, 0, 1, 1});
    putEnvelope(lead, kPanningEnvelope, 1 | 2, {{-32, 0}, {20, 2}}, {0, 1, 0, 0});
    file.instruments = {lead, instrument(2)};
    ItSample square = itSample(Bytes(64, 100), 1 | 0x10);
    std::fill(square.data.begin() + 32, square.data.end(), 156);
    putU32(square.header, 56, 64);
    ItSample packed = itSample(compressedBlock(), 1 | 8);
    putU32(packed.header, 48, 2);
    file.samples = {square, packed};
    file.orders = {0, 1, 255};
    file.patterns.push_back(packedPattern(8, {
                                                 0x81, 0x0F, 60,  1, 64, 20, 0x40, 0,     // C-5, T40
                                                 0x82, 0x03, 72,  2, 0,                   // C-6 on channel 1
                                                 0x81, 0x01, 255, 0, 0,  0,  0,    0, 0,  // key off
                                             }));
    file.patterns.push_back(packedPattern(4, {0x81, 0x08, 1, 3, 0, 0, 0, 0x81, 0x01, 254, 0}));
    file.message = "made in code";
    return file;
}

TEST(ItLoader, EveryPrefixLoadsOrFailsCleanly) {
    const Bytes bytes = richFile().bytes();
    for (size_t size = 0; size <= bytes.size(); ++size) {
        Song song;
        const bool loaded = load(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(size)), song, true);
        // Only the last sample's data may be cut; data that begin past the
        // end are a seek error.
        EXPECT_EQ(loaded, size >= bytes.size() - 5) << size;
    }
}

TEST(ItLoader, LoadedSongPlays) {
    SequencerRig rig;
    rig.song = std::make_unique<Song>();
    ASSERT_TRUE(load(richFile().bytes(), *rig.song, true));
    EXPECT_EQ(rig.song->channelCount, 2);
    EXPECT_EQ(RowTimeTable::build(*rig.song).entries().size(), 12u) << "8 rows, then 4";
    rig.begin();
    rig.ticks(1);
    EXPECT_EQ(rig.voice(0).starts, 1);
    EXPECT_EQ(rig.voice(0).frequency, 8363) << "C-5 plays the sample's own rate";
    // (64 x 64 >> 2) at global volume 128, as the mixer scales it: 2040 >> 3.
    EXPECT_EQ(rig.voice(0).volume, 255);
    EXPECT_EQ(rig.voice(0).panning, 0) << "centre panning, the envelope at -32";
    rig.ticks(6);
    EXPECT_EQ(rig.voice(1).frequency, 2 * 8363) << "C-6 an octave up";
    EXPECT_EQ(rig.state().tempo, 64);
    rig.rows(12);
    EXPECT_TRUE(rig.sequencer->songEnded());
}

}  // namespace
}  // namespace tumbor::trk::test
