// The walk through the order list that times every row, and the position,
// length and seek look-ups over its result.
#include "libs/trk/sequencer/row_time_table.h"

#include <algorithm>
#include <new>

#include "libs/trk/sequencer/effects.h"

namespace tumbor::trk {
namespace {

// Row durations are summed in millionths of a tenth of a second, so every
// build adds up the same integers.
constexpr uint64_t kTimeScale = 1000000;

uint64_t rowDuration(const Song& song, const RowTiming& timing) {
    uint64_t speed = static_cast<uint64_t>(timing.speed);
    if (song.format == SongFormat::dmf) {
        if (timing.ticksPerSecondMode)
            return speed * 10 * kTimeScale / static_cast<uint64_t>(std::max(timing.ticksPerSecond, 1));
        return speed * 150 * kTimeScale / static_cast<uint64_t>(std::max(timing.tempo * timing.beat, 1));
    }
    // speed x 2.5 / tempo seconds
    return speed * 25 * kTimeScale / static_cast<uint64_t>(std::max(timing.tempo, 1));
}

int nextPlayedOrder(const Song& song, int order) {
    while (order < song.length && song.orders[static_cast<size_t>(order)] > kLastPatternOrder) ++order;
    return order;
}

// The rows the walk may visit at most: every ordered pattern once.
size_t maximumRows(Song& song) {
    size_t rows = 0;
    for (int order = 0; order < song.length; ++order) {
        uint16_t number = song.orders[static_cast<size_t>(order)];
        if (number > kLastPatternOrder) continue;
        Pattern* pattern = song.pattern(number);
        if (pattern) rows += static_cast<size_t>(pattern->rows);
    }
    return rows;
}

uint8_t asByte(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

}  // namespace

RowTimeTable RowTimeTable::build(Song& song) {
    RowTimeTable table;
    size_t capacity = maximumRows(song);
    try {
        table.entries_.reserve(capacity);
        table.firstEntryOfOrder_.assign(static_cast<size_t>(song.length), -1);
    } catch (const std::bad_alloc&) {
        return RowTimeTable{};
    }

    RowTiming timing;
    timing.speed = song.initialSpeed;
    timing.tempo = song.initialTempo;
    if (song.format == SongFormat::dmf) {
        timing.ticksPerSecondMode = true;
        timing.speed = 4;
    }
    const size_t cellSize = static_cast<size_t>(song.cellSize);
    uint64_t time = 0;
    int order = nextPlayedOrder(song, 0);
    int row = 0;
    while (order < song.length && table.entries_.size() < capacity) {
        if (order > 0 && song.orders[static_cast<size_t>(order - 1)] == kOrderEndMarker) {
            timing.speed = song.initialSpeed;
            timing.tempo = song.initialTempo;
        }
        const Pattern& pattern = *song.pattern(song.orders[static_cast<size_t>(order)]);
        table.firstEntryOfOrder_[static_cast<size_t>(order)] = static_cast<int32_t>(table.entries_.size());
        int nextOrder = order + 1;
        int nextRow = 0;
        bool ends = false;
        for (; row < pattern.rows && table.entries_.size() < capacity; ++row) {
            timing.patternBreak = false;
            timing.positionJump = false;
            if (!pattern.globalTrack.empty() &&
                static_cast<size_t>(row) * 2 + 1 < pattern.globalTrack.size()) {
                if (song.format == SongFormat::dmf && row == 0 && pattern.beat &&
                    !timing.ticksPerSecondMode) {
                    timing.speed = 4;
                    timing.beat = pattern.beat;
                }
                applyGlobalTrackTiming(pattern.globalTrack[static_cast<size_t>(row) * 2],
                                       pattern.globalTrack[static_cast<size_t>(row) * 2 + 1], pattern.beat,
                                       timing);
            }
            for (int channel = 0; channel < song.channelCount; ++channel) {
                const std::vector<uint8_t>& track = pattern.tracks[static_cast<size_t>(channel)];
                size_t at = static_cast<size_t>(row) * cellSize;
                if (track.size() >= at + cellSize)
                    applyCellTiming(song, track.data() + at, pattern.rows, timing);
            }
            table.entries_.push_back(RowTime{static_cast<uint16_t>(order), static_cast<uint16_t>(row),
                                             asByte(timing.speed), asByte(timing.tempo),
                                             static_cast<uint32_t>(time / kTimeScale)});
            time += rowDuration(song, timing);
            if (timing.positionJump) {
                // A jump back would repeat the song: the walk, like the song, ends.
                if (timing.jumpOrder <= order) {
                    ends = true;
                    break;
                }
                nextOrder = timing.jumpOrder;
                nextRow = timing.patternBreak ? timing.breakRow : 0;
                break;
            }
            if (timing.patternBreak) {
                nextRow = timing.breakRow;
                break;
            }
        }
        if (ends) break;
        order = nextPlayedOrder(song, nextOrder);
        row = 0;
        if (order < song.length) {
            const Pattern* next = song.pattern(song.orders[static_cast<size_t>(order)]);
            row = next && nextRow < next->rows ? nextRow : 0;
        }
    }
    table.lengthTenths_ = static_cast<int>(std::min<uint64_t>(time / kTimeScale, 0x7FFFFFFF));
    return table;
}

int RowTimeTable::positionTenths(int order, int row) const {
    if (order < 0 || order >= static_cast<int>(firstEntryOfOrder_.size())) return 0;
    int32_t first = firstEntryOfOrder_[static_cast<size_t>(order)];
    if (first < 0) return 0;
    for (size_t at = static_cast<size_t>(first); at < entries_.size() && entries_[at].order == order; ++at)
        if (entries_[at].row == row) return static_cast<int>(entries_[at].tenths);
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
