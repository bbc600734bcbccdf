// The time of every row the song plays when it runs straight through, built
// once at start: behind the position, the length and seeking.
#pragma once

#include <cstdint>
#include <vector>

#include "libs/trk/model/song.h"

namespace tumbor::trk {

// A row as playback reaches it, with what playback needs to go on from it.
struct RowTime {
    uint16_t order;
    uint16_t row;
    uint8_t speed;
    uint8_t tempo;
    uint32_t tenths;  // since the start, truncated
    uint8_t globalVolume;
    uint8_t loopChannel;  // 255 none
    uint8_t loopCounter;
    uint16_t loopStartRow;
};

class RowTimeTable {
public:
    // Plays the song through without sound at the output rate, from its
    // start to its end, noting every row it reaches and when, to the output
    // frame; creates the patterns the order list names that the file never
    // defined.
    static RowTimeTable build(Song& song, uint32_t outputRate = 44100);

    bool empty() const { return entries_.empty(); }
    const std::vector<RowTime>& entries() const { return entries_; }
    int lengthTenths() const { return lengthTenths_; }
    // The time of the row playback reached as its rowsPlayed-th; when that
    // is not the row (order, row), the time of the first visit of that row,
    // or 0 for a row the song never reaches.
    int positionTenths(uint32_t rowsPlayed, int order, int row) const;
    // The last row that starts at or before tenths (the first row for
    // earlier times); null when the table is empty.
    const RowTime* rowAt(int tenths) const;

private:
    std::vector<RowTime> entries_;
    std::vector<int32_t> firstEntryOfOrder_;  // -1 where playback never came
    int lengthTenths_ = 0;
};

// Row timing without a table: every order lasts the same.
struct TimeEstimate {
    int orderTenths;  // initial speed x 1600 / initial tempo
    int length;       // orders

    explicit TimeEstimate(const Song& song);
    int lengthTenths() const { return orderTenths * length; }
    int positionTenths(int order, int row, int rowCount) const;
    int orderAt(int tenths) const;
};

}  // namespace tumbor::trk
