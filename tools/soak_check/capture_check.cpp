// The capture walk: exact bytes within a buffer, runs of device silence
// skipped at buffer boundaries, and a diagnosis where the sound differs.
#include "tools/soak_check/capture_check.h"

#include <algorithm>
#include <cstring>

namespace tumbor::soak {
namespace {

// Enough bytes to tell two stretches of sound apart.
constexpr size_t kProbeBytes = 1024;

size_t silenceRun(const Bytes& data, size_t from, uint8_t silence) {
    size_t at = from;
    while (at < data.size() && data[at] == silence) ++at;
    return at - from;
}

size_t commonPrefix(const Bytes& a, size_t from, const Bytes& b, size_t at) {
    size_t count = std::min(a.size() - std::min(from, a.size()), b.size() - std::min(at, b.size()));
    size_t same = 0;
    while (same < count && a[from + same] == b[at + same]) ++same;
    return same;
}

bool sameBytes(const Bytes& a, size_t from, const Bytes& b, size_t at, size_t count) {
    return from + count <= a.size() && at + count <= b.size() &&
           std::memcmp(a.data() + from, b.data() + at, count) == 0;
}

// Where the capture at position differs from the entry at byte offset: whether
// it went on with a later buffer (one was lost) or an earlier one (repeated).
std::string describeDifference(const Bytes& expected, size_t offset, const Bytes& capture, size_t position,
                               size_t buffer) {
    const size_t index = offset / buffer, count = (expected.size() + buffer - 1) / buffer;
    std::string text = "differs from byte " + std::to_string(offset) + " (buffer " +
                       std::to_string(index + 1) + " of " + std::to_string(count) + ")";
    if (position < offset % buffer) return text;
    const size_t start = position - offset % buffer;
    const size_t probe = std::min(kProbeBytes, buffer);
    for (size_t other = 0; other < count; ++other) {
        if (other == index || !sameBytes(capture, start, expected, other * buffer, probe)) continue;
        if (other > index)
            return text + ": the capture goes on with buffer " + std::to_string(other + 1) + ", " +
                   std::to_string(other - index) + " lost";
        return text + ": the capture repeats buffer " + std::to_string(other + 1);
    }
    return text;
}

}  // namespace

int playerBufferSize(const SoundFormat& format) {
    const uint64_t t = uint64_t(format.rate) * static_cast<uint64_t>(format.blockAlign()) * 8192 / 44100;
    if (t <= 6144) return 4096;
    if (t <= 12288) return 8192;
    if (t <= 24576) return 16384;
    return 32768;
}

uint8_t silenceByte(const SoundFormat& format) { return format.bits == 8 ? 0x80 : 0x00; }

std::vector<std::pair<size_t, size_t>> formatRuns(const std::vector<ExpectedEntry>& entries) {
    std::vector<std::pair<size_t, size_t>> runs;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!runs.empty() && entries[runs.back().second].format == entries[i].format)
            runs.back().second = i;
        else
            runs.emplace_back(i, i);
    }
    return runs;
}

bool CaptureChecker::checkSegment(const std::vector<ExpectedEntry>& entries, size_t first, size_t last,
                                  const Bytes& capture, std::vector<EntryResult>& results) {
    segmentProblem_.clear();
    size_t position = 0;
    for (size_t i = first; i <= last; ++i) {
        EntryResult& result = results[i];
        result.checked = true;
        const size_t start = position;
        const size_t leading = silenceRun(capture, position, silenceByte(entries[i].format));
        result.matched = entries[i].endless ? matchEndless(entries[i], capture, position, result)
                                            : matchSong(entries[i], capture, position, result);
        result.captureEnd = position;
        if (!result.matched) return false;
        // Silence beyond the entry's own leading silence came from the device.
        const size_t own =
            std::min(leading, silenceRun(*entries[i].sound, 0, silenceByte(entries[i].format)));
        result.silenceBefore = entries[i].endless ? 0 : std::min<uint64_t>(leading - own, position - start);
    }
    const uint8_t silence = silenceByte(entries[last].format);
    const size_t rest = capture.size() - position;
    if (silenceRun(capture, position, silence) != rest) {
        segmentProblem_ = std::to_string(rest) + " bytes follow the last entry, not all silence";
        return false;
    }
    return true;
}

bool CaptureChecker::matchSong(const ExpectedEntry& entry, const Bytes& capture, size_t& position,
                               EntryResult& result) {
    const Bytes& expected = *entry.sound;
    const size_t buffer = static_cast<size_t>(playerBufferSize(entry.format));
    const uint8_t silence = silenceByte(entry.format);
    size_t offset = 0;
    while (offset < expected.size()) {
        // A buffer boundary: the device may have played silence of its own here.
        const size_t own = std::min(silenceRun(expected, offset, silence), expected.size() - offset);
        const size_t heard = silenceRun(capture, position, silence);
        if (heard < own) {
            result.problem =
                position + heard == capture.size()
                    ? "the capture ends at byte " + std::to_string(offset + heard)
                    : describeDifference(expected, offset + heard, capture, position + heard, buffer);
            return false;
        }
        if (offset + own == expected.size()) {
            position += own;
            return true;
        }
        if (heard > own && offset > 0) ++result.gapsInside;
        position += heard;
        offset += own;
        const size_t next = std::min(expected.size(), (offset / buffer + 1) * buffer);
        const size_t same = commonPrefix(capture, position, expected, offset);
        if (same < next - offset) {
            result.problem =
                position + same == capture.size()
                    ? "the capture ends at byte " + std::to_string(offset + same)
                    : describeDifference(expected, offset + same, capture, position + same, buffer);
            return false;
        }
        position += next - offset;
        offset = next;
    }
    return true;
}

bool CaptureChecker::matchEndless(const ExpectedEntry& entry, const Bytes& capture, size_t& position,
                                  EntryResult& result) {
    const Bytes& sound = *entry.sound;
    const size_t buffer = static_cast<size_t>(playerBufferSize(entry.format));
    const uint8_t silence = silenceByte(entry.format);
    const size_t heard = silenceRun(capture, position, silence);
    const size_t from = position + heard;
    const size_t probe = std::min(kProbeBytes, capture.size() - from);
    if (probe == 0) {
        result.problem = "nothing of it was captured";
        return false;
    }
    // The generator starts each entry at a whole buffer of its sound.
    size_t offset = static_cast<size_t>((endlessNext_ + buffer - 1) / buffer * buffer);
    for (;; offset += buffer) {
        if (offset + probe > sound.size()) {
            result.problem = "its sound is not the generator's from any whole buffer in the render";
            return false;
        }
        const size_t own = silenceRun(sound, offset, silence);
        if (own <= heard && sameBytes(capture, from, sound, offset + own, probe)) break;
    }
    size_t at = offset + silenceRun(sound, offset, silence), in = from;
    for (;;) {
        const size_t same = commonPrefix(capture, in, sound, at);
        in += same;
        at += same;
        // Device silence between two buffers, with the sound going on after it.
        const size_t gap = at % buffer == 0 ? silenceRun(capture, in, silence) : 0;
        if (gap == 0 || !sameBytes(capture, in + gap, sound, at, std::min(kProbeBytes, buffer))) break;
        in += gap;
        ++result.gapsInside;
    }
    if (at >= sound.size()) {
        result.problem = "the generator's render is too short to hold all of it";
        return false;
    }
    // A key cut it anywhere; whole frames of it were heard.
    const size_t partial = (at - offset) % static_cast<size_t>(entry.format.blockAlign());
    at -= partial;
    in -= partial;
    endlessNext_ = at;
    position = in;
    return true;
}

}  // namespace tumbor::soak
