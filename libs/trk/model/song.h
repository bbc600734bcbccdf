// The in-memory song every loader fills and the sequencer plays: orders,
// patterns of tracks of cells, instruments, samples and their envelopes.
// One song is loaded at a time; it owns everything it points to.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tumbor::trk {

// One code per loader; the sequencer tests it where formats differ.
enum class SongFormat : uint8_t {
    none = 0,
    mod = 1,
    s3m = 2,
    ptm = 3,
    xm = 4,
    mtm = 5,
    s669 = 6,
    mdl = 7,
    dsm = 8,
    far = 9,
    stm = 10,
    dmf = 11,
    it = 12,
};

// Bytes of one cell in a track of this format's songs.
int cellSizeOf(SongFormat format);

constexpr int kMaxChannels = 32;
constexpr int kMaxOrders = 1024;
constexpr int kMaxPatterns = 256;
constexpr int kMaxInstruments = 256;
constexpr int kMaxSamples = 4096;
constexpr int kDefaultRows = 64;

// Note numbers in cells: 0 none, 1 .. 125 notes (12 a octave), then these
// two, and IT's note fade, which fades the note out without releasing it.
constexpr uint8_t kNoteCut = 126;
constexpr uint8_t kNoteOff = 127;
constexpr uint8_t kNoteFade = 128;
constexpr uint8_t kLastNote = 125;
// Order list entries above this are markers that playback skips.
constexpr uint16_t kLastPatternOrder = 253;
constexpr uint16_t kOrderEndMarker = 255;
// The volume column byte of 5-byte cells that sets nothing (all but IT).
constexpr uint8_t kNoVolume = 65;

// Offsets inside a cell. 4-byte cells stop after the parameter, 5-byte cells
// add the volume column; MDL's 7-byte cells add a second effect.
enum CellByte : int {
    kCellNote = 0,
    kCellInstrument = 1,
    kCellEffect = 2,
    kCellParameter = 3,
    kCellVolume = 4,
    kCellEffect2 = 5,
    kCellParameter2 = 6,
};

// Bits of Sample::flags, the same bits the mixer's voices take.
enum SampleFlag : uint32_t {
    kSample16Bit = 1u << 2,
    kSampleLooped = 1u << 3,
    kSamplePingPong = 1u << 4,
};

// How a sample's data are stored in the file.
enum class SampleEncoding : uint8_t {
    pcm = 0,
    mdl8 = 1,     // bit-packed 8-bit
    mdl16 = 2,    // bit-packed 16-bit
    dmfTree = 3,  // bit stream through a decoding tree
    pcmAlt = 4,   // plain PCM, as 0
    it8 = 5,      // IT compressed 8-bit
    it16 = 6,     // IT compressed 16-bit
};

// An envelope expanded into one value a tick: volume 0 .. 64; panning
// 0 .. 64 with 32 the centre, or -32 .. 32 in IT; IT's pitch envelope
// -256 .. 256, in eighths of its unit (half a semitone, or a 32nd of the
// cutoff when it filters). XM and MDL tables have 512 entries and a single
// sustain tick (sustainBegin); IT tables end at the last node and sustain
// over a range.
struct Envelope {
    std::vector<int16_t> values;
    bool loops = false;
    bool sustains = false;
    int loopBegin = 0;
    int loopEnd = 511;
    int sustainBegin = 0;
    int sustainEnd = 0;
    // IT keeps envelopes that are off, for S78 .. S7C to turn on.
    bool enabled = true;
    // IT: a new note on a note still sounding goes on from its position.
    bool carries = false;
    // IT's pitch envelope scales the filter cutoff instead of the pitch.
    bool filters = false;
};
using EnvelopeRef = std::shared_ptr<const Envelope>;

// IT: what becomes of a note still sounding when its channel starts the next one.
enum class NewNoteAction : uint8_t { cut = 0, carryOn = 1, release = 2, fade = 3 };
// IT: which earlier notes of the same instrument on the channel a new note
// repeats, and what then becomes of them.
enum class DuplicateCheck : uint8_t { off = 0, note = 1, sample = 2, instrument = 3 };
enum class DuplicateAction : uint8_t { cut = 0, release = 1, fade = 2 };

struct Instrument {
    std::string name;  // trimmed; empty for none
    // For each note the sample it plays as a 0-based sample index, -1 none.
    std::array<int16_t, 128> noteMap{};
    // Semitones added to the note for each key.
    std::array<int8_t, 128> noteTranspose{};
    int globalVolume = -1;  // IT 0 .. 128, handed to the channel at note start; -1 none
    int panning = -1;       // default panning override 0 .. 255; -1 none
    EnvelopeRef volumeEnvelope;
    EnvelopeRef panningEnvelope;
    EnvelopeRef pitchEnvelope;
    int fadeout = 0;  // added to the sample's fadeout at note start
    // IT: each semitone from the centre note moves the panning by
    // separation / 8 (0 .. 64 scale); separation -32 .. 32, 0 for none.
    int pitchPanSeparation = 0;
    int pitchPanCenter = 60;
    // IT: how far each note's volume (percent of the instrument's global
    // volume) and panning (0 .. 64 scale) stray at random.
    int randomVolume = 0;
    int randomPanning = 0;
    NewNoteAction newNoteAction = NewNoteAction::cut;
    DuplicateCheck duplicateCheck = DuplicateCheck::off;
    DuplicateAction duplicateAction = DuplicateAction::cut;
    // IT: the filter cutoff and resonance 0 .. 127 each new note sets; -1 none.
    int filterCutoff = -1;
    int filterResonance = -1;

    // A record whose every note plays sampleIndex (0-based, -1 for none).
    explicit Instrument(int sampleIndex = -1) { noteMap.fill(static_cast<int16_t>(sampleIndex)); }
};

// What a note start copies from XM and IT samples beyond the plain sample
// fields: auto-vibrato, fadeout and the envelopes XM keeps per sample.
struct NoteStartParameters {
    int vibratoType = 0;
    int vibratoSweep = 0;
    int vibratoDepth = 0;
    int vibratoRate = 0;
    int fadeout = 0;
    EnvelopeRef volumeEnvelope;
    EnvelopeRef panningEnvelope;
};

struct Sample {
    // Sample memory: length + 16 bytes, the data from the start, guard bytes
    // for interpolation after it. Empty until the sample stage reserves it.
    std::unique_ptr<uint8_t[]> data;
    uint32_t length = 0;  // bytes (two a point for 16-bit data)
    int c4Speed = 0;      // Hz of the reference note; XM: fine-tune + 128
    uint32_t flags = 0;   // SampleFlag bits
    uint32_t loopStart = 0;
    uint32_t loopEnd = 0;  // exclusive, never beyond the length
    // Reductions applied while storing: every 2^decimationShift-th point,
    // the high byte of 16-bit points, and a halving a decoder already did.
    int decimationShift = 0;
    int to8Bit = 0;
    int decoderHalving = 0;
    int relativeNote = 0;  // semitones added to the played note
    int fineTune = 0;      // signed, XM
    std::string name;
    int volume = 0;         // 0 .. 64
    int panning = -1;       // 0 .. 255, -1 none
    int globalVolume = 64;  // IT 0 .. 64
    bool isUnsigned = false;
    bool isDelta = false;
    uint32_t fileOffset = 0;  // 0: the data follow the previous sample's
    bool skip = false;        // no data in the file
    SampleEncoding encoding = SampleEncoding::pcm;
    NoteStartParameters noteStart;
    uint32_t loadedLength = 0;  // the length as the loader gave it

    bool is16Bit() const { return (flags & kSample16Bit) != 0; }
    bool loops() const { return (flags & kSampleLooped) != 0; }
};

// What an IT MIDI macro does to the channel's resonant filter, the one kind
// of message a player without MIDI output acts on.
enum class MacroTarget : uint8_t { none, cutoff, resonance };
struct FilterMacro {
    MacroTarget target = MacroTarget::none;
    int value = -1;  // 0 .. 127, or -1 for the Zxx parameter
};
struct MidiMacros {
    std::array<FilterMacro, 16> parametered;  // SF0 .. SFF select which Z00 .. Z7F run
    std::array<FilterMacro, 128> fixed;       // Z80 .. ZFF
};

struct Pattern {
    int rows = kDefaultRows;
    // One track a channel: rows × cell size bytes, empty until first used.
    std::array<std::vector<uint8_t>, kMaxChannels> tracks;
    // DMF and 669: a command and an argument a row, empty when unused.
    std::vector<uint8_t> globalTrack;
    int channelCount = 0;  // DMF
    int beat = 0;          // DMF

    bool hasTrack(int channel) const { return !tracks[static_cast<size_t>(channel)].empty(); }
};

struct Song {
    SongFormat format = SongFormat::none;
    int cellSize = 4;
    int channelCount = 1;
    std::string name;                  // trimmed; empty for none
    std::vector<std::string> message;  // lines; a line starting with 0xFF shows empty

    std::vector<uint16_t> orders;  // pattern numbers and markers
    int length = 0;                // orders played, at most orders.size()
    int patternCount = 0;
    std::array<std::unique_ptr<Pattern>, kMaxPatterns> patterns;

    int instrumentCount = 0;  // also the highest instrument number cells may name
    std::array<std::unique_ptr<Instrument>, kMaxInstruments + 1> instruments;  // 1 .. 256
    std::vector<std::unique_ptr<Sample>> samples;                              // 1 .. 4096
    int sampleCount = 0;  // the highest sample number created

    int initialSpeed = 6;
    int initialTempo = 125;
    int initialGlobalVolume = 255;
    int maxChannelVolume = 64;       // 255 for DMF and MDL
    bool linearFrequencies = false;  // XM frequency table, IT linear slides
    bool fastSlides = false;         // S3M flag bit 6
    bool amigaLimits = false;        // S3M flag bit 4: periods held to 113 .. 856
    bool multichannelMod = false;
    // A 4-channel MOD that keeps to ProTracker's three octaves and loops:
    // played by ProTracker's rules (Amiga period limits, no vibrato or
    // tremolo on a row's first tick, sample swap).
    bool protrackerRules = false;
    bool compressedSamples = false;  // IT
    bool itInstruments = false;      // IT: notes play instruments, not samples directly
    bool itOldEffects = false;       // IT flag bit 4: vibrato twice as deep, held on a row's first tick
    bool itSeparateG = false;        // IT flag bit 5: G keeps its own speed memory, apart from E and F
    bool usesFilters = false;        // IT: instruments, envelopes or Zxx set the resonant filter
    MidiMacros macros;               // IT
    // Per channel at start; the loaders that store them override the defaults.
    std::array<int, kMaxChannels> channelPanning{};
    std::array<int, kMaxChannels> channelVolume{};

    Song();

    // The pattern, created with 64 empty rows when missing; null for numbers
    // outside 0 .. 255.
    Pattern* pattern(int number);
    const Pattern* findPattern(int number) const;
    // The channel's track of the pattern, created zero-filled on first use
    // (every volume byte preset to presetVolume for 5-byte cells and more).
    uint8_t* track(Pattern& pattern, int channel, uint8_t presetVolume = 0) const;
    // The record at number 1 .. 256 (4096 for samples), created fresh when
    // missing; null outside the range.
    Instrument* instrument(int number, int sampleIndex = -1);
    Sample* sample(int number);
    const Instrument* findInstrument(int number) const;
    const Sample* findSample(int number) const;
};

// The default panning of a channel at start: 85 for channels 0 and 3 of
// every four, 170 for channels 1 and 2.
int defaultChannelPanning(int channel);

// A name from a fixed-length field: trailing bytes below 33 cut, every other
// byte below 32 made a space; empty when nothing is left.
std::string trimmedName(const uint8_t* field, int length);

}  // namespace tumbor::trk
