// Loading a song through its loader and the sample stage, and playing it.
#include "libs/trk/tracker_player.h"

#include <new>

#include "libs/trk/loaders/loaders.h"
#include "libs/trk/loaders/sample_stage.h"

namespace tumbor::trk {
namespace {

const char kBrokenHeader[] = "Failed to load module (broken header)";

}  // namespace

const char* TrackerPlayer::load(ByteSource& source, SongFormat format, const OutputMode& mode) {
    unload();
    ModuleReader reader(source);
    Loader loader = loaderFor(format);
    if (!loader) return kBrokenHeader;
    mixer_.open(mode);
    auto song = std::make_unique<Song>();
    if (!reader.seek(0) || !loader(reader, *song)) return kBrokenHeader;
    checkLoadedSong(*song);
    // A loader may stop at a failed read and still keep what it read; the
    // samples are read afresh from where it left the file.
    ModuleReader sampleReader(source);
    if (const char* message = sampleStageMessage(loadSampleData(sampleReader, *song))) return message;

    table_ = RowTimeTable::build(*song, mode.rate);
    if (table_.empty()) estimate_ = std::make_unique<TimeEstimate>(*song);
    song_ = std::move(song);
    sequencer_ = std::make_unique<Sequencer>(*song_, mixer_);
    sequencer_->start();
    if (!estimate_) sequencer_->endAfterRows(static_cast<uint32_t>(table_.entries().size()));
    mixer_.prepare(song_->channelCount);
    return nullptr;
}

void TrackerPlayer::unload() {
    sequencer_.reset();
    mixer_.close();
    song_.reset();
    table_ = RowTimeTable{};
    estimate_.reset();
}

bool TrackerPlayer::decode(uint8_t* destination, int bytes) {
    if (!sequencer_ || bytes < 0 || bytes > kMaxDecodeBytes || sequencer_->songEnded()) return false;
    uint32_t frames = static_cast<uint32_t>(bytes) / mixer_.mode().bytesPerFrame();
    uint32_t written = mixer_.render(destination, frames, *sequencer_);
    // A count that is not a whole number of frames ends in silence.
    for (uint32_t at = written; at < static_cast<uint32_t>(bytes); ++at)
        destination[at] = mixer_.mode().sixteenBit ? 0 : 0x80;
    return true;
}

int TrackerPlayer::position() const {
    if (!sequencer_) return 0;
    uint32_t playing = sequencer_->playingPosition();
    if (playing == Sequencer::kSongOver) return length();
    int order = static_cast<int>(playing >> 16);
    int row = static_cast<int>(playing & 0xFFFF);
    if (estimate_) {
        const Pattern* pattern =
            order < song_->length ? song_->findPattern(song_->orders[static_cast<size_t>(order)]) : nullptr;
        return estimate_->positionTenths(order, row, pattern ? pattern->rows : kDefaultRows);
    }
    return table_.positionTenths(sequencer_->publishedRowsPlayed(), order, row);
}

int TrackerPlayer::length() const {
    if (!song_) return 0;
    return estimate_ ? estimate_->lengthTenths() : table_.lengthTenths();
}

void TrackerPlayer::seek(int tenths) {
    if (!sequencer_) return;
    if (estimate_) {
        sequencer_->jumpToOrder(estimate_->orderAt(tenths));
        return;
    }
    if (const RowTime* entry = table_.rowAt(tenths))
        sequencer_->jumpTo(*entry, static_cast<uint32_t>(entry - table_.entries().data()));
}

}  // namespace tumbor::trk
