// One loaded song with its sequencer, mixer and row time table: what the
// library's module operations work on. The library holds one at a time.
#pragma once

#include <memory>
#include <string>

#include "libs/trk/loaders/module_reader.h"
#include "libs/trk/mixer/disk_writer.h"
#include "libs/trk/model/song.h"
#include "libs/trk/sequencer/row_time_table.h"
#include "libs/trk/sequencer/sequencer.h"

namespace tumbor::trk {

// The most bytes one decode may ask for.
constexpr int kMaxDecodeBytes = 32768;

class TrackerPlayer {
public:
    // Loads the song of a file of this format and prepares playback in the
    // output mode; on failure answers the message and holds no song.
    const char* load(ByteSource& source, SongFormat format, const OutputMode& mode);
    void unload();
    bool loaded() const { return song_ != nullptr; }
    const Song* song() const { return song_.get(); }

    // Renders bytes of PCM; false, with nothing rendered, once the song has
    // ended or for a count above the limit.
    bool decode(uint8_t* destination, int bytes);

    // Tenths of a second. The position is read on another thread than decode.
    int position() const;
    int length() const;
    void seek(int tenths);

private:
    std::unique_ptr<Song> song_;
    DiskWriter mixer_;
    std::unique_ptr<Sequencer> sequencer_;
    RowTimeTable table_;
    std::unique_ptr<TimeEstimate> estimate_;  // when the table could not be built
};

}  // namespace tumbor::trk
