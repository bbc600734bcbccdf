// The walk through the order list that times every row, and the position,
// length and seek look-ups over its result.
#include "libs/trk/sequencer/row_time_table.h"

#include <algorithm>
#include <new>
#include <unordered_set>

#include "libs/trk/sequencer/sequencer.h"

namespace tumbor::trk {
namespace {

// Bounds on the walk: more rows, ticks or hours than any song plays. A
// song the walk does not finish ends where it stopped.
constexpr size_t kMostRows = size_t(1) << 20;
constexpr uint64_t kMostTicks = uint64_t(1) << 22;
constexpr uint64_t kMostSeconds = 6 * 3600;

// Where playback stands in the song's flow at the start of a row, with
// every pattern loop's state folded in: when it comes back to the same
// place with the same loops, it goes round for ever (loops on several
// channels, or sharing one counter, can do that).
uint64_t flowState(const PlaybackState& state) {
    uint64_t loops = 0;
    for (const PatternLoop& loop : state.loops)
        loops = (loops ^ (uint64_t(uint8_t(loop.counter)) << 16 | uint16_t(loop.startRow))) * 0x100000001B3u;
    return (uint64_t(uint16_t(state.order)) << 48 | uint64_t(uint16_t(state.row)) << 32) ^ (loops >> 32);
}

// The loop the row's entry keeps: that of the channel whose loop command ran
// last.
const PatternLoop* lastLoop(const Song& song, const PlaybackState& state) {
    if (state.loopChannel >= kMaxChannels) return nullptr;
    return &state.loops[static_cast<size_t>(song.format == SongFormat::s3m ? 0 : state.loopChannel)];
}

uint8_t asByte(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

RowTime rowTime(const Song& song, const PlaybackState& state, uint64_t frames, uint32_t rate) {
    RowTime entry{};
    entry.order = static_cast<uint16_t>(state.order);
    entry.row = static_cast<uint16_t>(state.row);
    entry.speed = asByte(state.speed);
    entry.tempo = asByte(state.tempo);
    entry.tenths = static_cast<uint32_t>(std::min<uint64_t>(frames * 10 / rate, 0xFFFFFFFF));
    entry.globalVolume = asByte(state.globalVolume);
    const PatternLoop* loop = lastLoop(song, state);
    entry.loopChannel = loop ? asByte(state.loopChannel) : 255;
    entry.loopCounter = loop ? asByte(loop->counter) : 0;
    entry.loopStartRow = loop ? static_cast<uint16_t>(std::clamp(loop->startRow, 0, 0xFFFF)) : 0;
    return entry;
}

// Voices that hear nothing: the walk needs only the sequencer's timing.
class NoVoices final : public VoiceControl {
public:
    void startVoice(int, const uint8_t*, int32_t, int32_t, int32_t, int32_t, uint32_t) override {}
    void stopVoice(int) override {}
    void queueSample(int, const uint8_t*, int32_t, int32_t, int32_t, uint32_t) override {}
    void setVolume(int, int) override {}
    void setFrequency(int, int) override {}
    void setPanning(int, int) override {}
    void setFilter(int, const VoiceFilter&, bool) override {}
    void moveVoice(int, int) override {}
    bool voicePlaying(int) const override { return false; }
};

}  // namespace

RowTimeTable RowTimeTable::build(Song& song, uint32_t outputRate) {
    uint32_t rate = std::max(outputRate, 1u);
    RowTimeTable table;
    for (int order = 0; order < song.length; ++order)
        if (song.orders[static_cast<size_t>(order)] <= kLastPatternOrder)
            song.pattern(song.orders[static_cast<size_t>(order)]);
    try {
        table.firstEntryOfOrder_.assign(static_cast<size_t>(song.length), -1);
        NoVoices voices;
        Sequencer walker(song, voices);
        walker.setSilent(true);
        walker.start();
        walker.state().startDelay = 0;
        std::unordered_set<uint64_t> flowsSeen;
        uint64_t frames = 0;  // played before the row, as the mixer plays them
        const uint64_t mostFrames = kMostSeconds * rate;
        for (uint64_t tick = 0; tick < kMostTicks && table.entries_.size() < kMostRows && frames < mostFrames;
             ++tick) {
            uint32_t rowsBefore = walker.rowsPlayed();
            uint32_t tickFrames = walker.runTick(rate);
            if (walker.songEnded()) break;
            const PlaybackState& state = walker.state();
            if (walker.rowsPlayed() != rowsBefore) {
                if (!flowsSeen.insert(flowState(state)).second) break;
                int32_t& first = table.firstEntryOfOrder_[static_cast<size_t>(state.order)];
                if (first < 0) first = static_cast<int32_t>(table.entries_.size());
                table.entries_.push_back(rowTime(song, state, frames, rate));
            }
            frames += tickFrames;
        }
        table.lengthTenths_ = static_cast<int>(std::min<uint64_t>(frames * 10 / rate, 0x7FFFFFFF));
    } catch (const std::bad_alloc&) {
        return RowTimeTable{};
    }
    return table;
}

int RowTimeTable::positionTenths(uint32_t rowsPlayed, int order, int row) const {
    if (rowsPlayed > 0 && rowsPlayed <= entries_.size()) {
        const RowTime& entry = entries_[rowsPlayed - 1];
        if (entry.order == order && entry.row == row) return static_cast<int>(entry.tenths);
    }
    if (order < 0 || order >= static_cast<int>(firstEntryOfOrder_.size())) return 0;
    int32_t first = firstEntryOfOrder_[static_cast<size_t>(order)];
    if (first < 0) return 0;
    for (size_t at = static_cast<size_t>(first); at < entries_.size(); ++at)
        if (entries_[at].order == order && entries_[at].row == row)
            return static_cast<int>(entries_[at].tenths);
    return 0;
}

const RowTime* RowTimeTable::rowAt(int tenths) const {
    if (entries_.empty()) return nullptr;
    uint32_t target = tenths < 0 ? 0 : static_cast<uint32_t>(tenths);
    auto after = std::upper_bound(entries_.begin(), entries_.end(), target,
                                  [](uint32_t time, const RowTime& entry) { return time < entry.tenths; });
    return after == entries_.begin() ? &entries_.front() : &*(after - 1);
}

TimeEstimate::TimeEstimate(const Song& song)
    : orderTenths(song.initialSpeed * 1600 / std::max(song.initialTempo, 1)), length(song.length) {}

int TimeEstimate::positionTenths(int order, int row, int rowCount) const {
    return order * orderTenths + row * orderTenths / std::max(rowCount, 1);
}

int TimeEstimate::orderAt(int tenths) const {
    return orderTenths > 0 ? std::max(tenths, 0) / orderTenths : 0;
}

}  // namespace tumbor::trk
