// The time of every row the song plays when it runs straight through, built
// once at start: behind the position, the length and seeking.
#pragma once

#include <cstdint>
#include <vector>

#include "libs/trk/model/song.h"

namespace tumbor::trk {

struct RowTime {
    uint16_t order;
    uint16_t row;
    uint8_t speed;
    uint8_t tempo;
    uint32_t tenths;  // since the start, truncated
};

class RowTimeTable {
public:
    // Walks the order list as plain playback would, creating the patterns it
    // names that the file never defined.
    static RowTimeTable build(Song& song);

    bool empty() const { return entries_.empty(); }
    const std::vector<RowTime>& entries() const { return entries_; }
    int lengthTenths() const { return lengthTenths_; }
    // The time of the row; 0 for a row the walk never reached.
    int positionTenths(int order, int row) const;
    // The last row that starts at or before tenths (the first row for
    // earlier times); null when the table is empty.
    const RowTime* rowAt(int tenths) const;

private:
    std::vector<RowTime> entries_;
    std::vector<int32_t> firstEntryOfOrder_;  // -1 where the walk never came
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
