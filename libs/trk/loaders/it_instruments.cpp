// IT instruments, in the 2.00 format with its node envelopes and in the
// older 554-byte format: keyboard tables, fadeout, volumes and envelopes
// expanded into one value a tick.
#include <algorithm>
#include <memory>

#include "libs/trk/loaders/it_loader.h"

namespace tumbor::trk {
namespace {

constexpr int kMaxNodes = 25;
constexpr int kKeys = 120;
constexpr size_t kEnvelopeSize = 82;
constexpr size_t kNewInstrumentSize = 304 + 2 * kEnvelopeSize;
constexpr size_t kOldInstrumentSize = 554;
constexpr int kOldNodesAt = 504;

struct Node {
    int tick;
    int value;
};

// A loop between nodes first and last: their ticks, or no loop when the file
// names a node the envelope does not have.
bool nodeRange(const Node* nodes, int count, int first, int last, int& begin, int& end) {
    if (first >= count || last >= count) return false;
    begin = nodes[first].tick;
    end = nodes[last].tick;
    return true;
}

// The table runs to the last node's tick; between two nodes the values are
// interpolated, and each node's own tick holds its value. Ticks the table
// does not reach (nodes out of order) are not written.
std::shared_ptr<Envelope> expandNodes(const Node* nodes, int count) {
    auto envelope = std::make_shared<Envelope>();
    const size_t size = static_cast<size_t>(nodes[count - 1].tick) + 1;
    envelope->values.assign(size, 0);
    for (int i = 0; i + 1 < count; ++i) {
        const int p = nodes[i].tick, q = nodes[i + 1].tick;
        const int a = nodes[i].value, b = nodes[i + 1].value;
        for (int j = p; j < q && static_cast<size_t>(j) < size; ++j)
            envelope->values[static_cast<size_t>(j)] =
                static_cast<int16_t>(a + ((j - p) * (b - a)) / (q - p));
        if (static_cast<size_t>(q) < size) envelope->values[static_cast<size_t>(q)] = static_cast<int16_t>(b);
    }
    return envelope;
}

void setLoops(Envelope& envelope, const Node* nodes, int count, bool loops, int loopFirst, int loopLast,
              bool sustains, int sustainFirst, int sustainLast) {
    envelope.loops =
        loops && nodeRange(nodes, count, loopFirst, loopLast, envelope.loopBegin, envelope.loopEnd);
    envelope.sustains = sustains && nodeRange(nodes, count, sustainFirst, sustainLast, envelope.sustainBegin,
                                              envelope.sustainEnd);
}

// Keys play sample - 1 (-1 for none) at the note the table gives. Notes past
// IT's highest are held there, so the transpose fits its byte.
void readKeyboard(const uint8_t* table, Instrument& instrument) {
    for (int key = 0; key < kKeys; ++key) {
        const int note = std::min<int>(table[2 * key], kKeys - 1);
        instrument.noteMap[static_cast<size_t>(key)] = static_cast<int16_t>(table[2 * key + 1] - 1);
        instrument.noteTranspose[static_cast<size_t>(key)] = static_cast<int8_t>(note - key);
    }
}

// An instrument's new-note action and duplicate check bytes; unknown
// values cut, or check nothing.
void readNoteActions(uint8_t action, uint8_t check, uint8_t checkAction, Instrument& instrument) {
    instrument.newNoteAction = action <= 3 ? static_cast<NewNoteAction>(action) : NewNoteAction::cut;
    instrument.duplicateCheck = check <= 3 ? static_cast<DuplicateCheck>(check) : DuplicateCheck::off;
    instrument.duplicateAction =
        checkAction <= 2 ? static_cast<DuplicateAction>(checkAction) : DuplicateAction::cut;
}

// 17 new-note action, 18 duplicate check, 19 its action, 20 fadeout,
// 22 and 23 pitch-pan separation and centre, 24 global volume, 25 panning
// (unless bit 7), 26 and 27 random volume and panning, 32 name, 58 and 59 filter
// cutoff and resonance (when bit 7), 64 keyboard, 304 volume and 386
// panning envelope, then the pitch envelope, which a file cut short there
// goes without.
bool readNewInstrument(ModuleReader& reader, Instrument& instrument) {
    uint8_t bytes[kNewInstrumentSize];
    if (!reader.read(bytes, sizeof bytes)) return false;
    instrument.name = trimmedName(bytes + 32, 25);
    instrument.globalVolume = std::min<int>(bytes[24], 128);
    instrument.panning = (bytes[25] & 0x80) ? -1 : bytes[25];
    instrument.pitchPanSeparation = std::clamp<int>(static_cast<int8_t>(bytes[22]), -32, 32);
    instrument.pitchPanCenter = std::min<int>(bytes[23], 119);
    instrument.randomVolume = std::min<int>(bytes[26], 100);
    instrument.randomPanning = std::min<int>(bytes[27], 64);
    instrument.filterCutoff = (bytes[58] & 0x80) ? bytes[58] & 0x7F : -1;
    instrument.filterResonance = (bytes[59] & 0x80) ? bytes[59] & 0x7F : -1;
    readKeyboard(bytes + 64, instrument);
    instrument.fadeout = readU16le(bytes + 20) * 64;
    readNoteActions(bytes[17], bytes[18], bytes[19], instrument);
    instrument.volumeEnvelope = expandItEnvelope(bytes + 304, ItEnvelope::volume);
    instrument.panningEnvelope = expandItEnvelope(bytes + 304 + 82, ItEnvelope::panning);
    uint8_t pitch[kEnvelopeSize];
    if (reader.remaining() >= sizeof pitch && reader.read(pitch, sizeof pitch))
        instrument.pitchEnvelope = expandItEnvelope(pitch, ItEnvelope::pitch);
    return true;
}

// The old format's volume envelope: up to 25 (tick, value) byte pairs, the
// first tick of 255 ending them.
EnvelopeRef oldVolumeEnvelope(const uint8_t* bytes) {
    const uint8_t flags = bytes[17];
    if (!(flags & 1)) return nullptr;
    Node nodes[kMaxNodes];
    int count = 0;
    while (count < kMaxNodes && bytes[kOldNodesAt + 2 * count] != 255) {
        nodes[count] = {bytes[kOldNodesAt + 2 * count],
                        std::min<int>(bytes[kOldNodesAt + 2 * count + 1], 64)};
        ++count;
    }
    if (count < 2) return nullptr;
    std::shared_ptr<Envelope> envelope = expandNodes(nodes, count);
    setLoops(*envelope, nodes, count, flags & 2, bytes[18], bytes[19], flags & 4, bytes[20], bytes[21]);
    return envelope;
}

// 17 envelope flags, 18 .. 21 loop and sustain nodes, 24 fadeout, 26 new-note
// action, 27 duplicate note check, 32 name, 64 keyboard, 504 envelope nodes.
bool readOldInstrument(ModuleReader& reader, Instrument& instrument) {
    uint8_t bytes[kOldInstrumentSize];
    if (!reader.read(bytes, sizeof bytes)) return false;
    instrument.name = trimmedName(bytes + 32, 25);
    readKeyboard(bytes + 64, instrument);
    instrument.fadeout = readU16le(bytes + 24) * 128;
    // The old format's duplicate check is on or off, for notes, and cuts.
    readNoteActions(bytes[26], bytes[27] ? 1 : 0, 0, instrument);
    instrument.volumeEnvelope = oldVolumeEnvelope(bytes);
    return true;
}

}  // namespace

EnvelopeRef expandItEnvelope(const uint8_t* block, ItEnvelope kind) {
    const uint8_t flags = block[0];
    const int count = block[1];
    if (count < 2 || count > kMaxNodes) return nullptr;
    Node nodes[kMaxNodes];
    for (int i = 0; i < count; ++i) {
        const uint8_t* node = block + 6 + 3 * i;
        // Volumes run 0 .. 64, panning and pitch -32 .. 32; pitch is kept
        // in eighths, so that slow bends move smoothly.
        const int value = kind == ItEnvelope::volume ? std::min<int>(node[0], 64)
                                                     : std::clamp<int>(static_cast<int8_t>(node[0]), -32, 32);
        nodes[i] = {readU16le(node + 1), kind == ItEnvelope::pitch ? value * 8 : value};
    }
    std::shared_ptr<Envelope> envelope = expandNodes(nodes, count);
    setLoops(*envelope, nodes, count, flags & 2, block[2], block[3], flags & 4, block[4], block[5]);
    envelope->enabled = (flags & 1) != 0;
    envelope->carries = (flags & 8) != 0;
    envelope->filters = kind == ItEnvelope::pitch && (flags & 0x80) != 0;
    return envelope;
}

bool readItInstruments(ModuleReader& reader, Song& song, const std::vector<uint32_t>& offsets,
                       bool oldFormat) {
    const int count = std::min<int>(static_cast<int>(offsets.size()), kMaxInstruments);
    for (int i = 0; i < count; ++i) {
        Instrument* instrument = song.instrument(i + 1);
        if (!reader.seek(offsets[static_cast<size_t>(i)])) return false;
        if (!(oldFormat ? readOldInstrument(reader, *instrument) : readNewInstrument(reader, *instrument)))
            return false;
    }
    song.instrumentCount = count;
    return true;
}

}  // namespace tumbor::trk
