// The sequencer: turns the loaded song into voice commands, one tick at a
// time, as the mixer asks. It reads rows, triggers notes, runs the effect
// commands and sends each channel's volume, panning and frequency.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>

#include "libs/trk/mixer/sound_driver.h"
#include "libs/trk/model/song.h"
#include "libs/trk/sequencer/playback_state.h"
#include "libs/trk/sequencer/row_time_table.h"

namespace tumbor::trk {

class Sequencer final : public TickSource {
public:
    Sequencer(const Song& song, VoiceControl& voices);

    // Back to the start of the song: order 0, row 0, initial speed, tempo and
    // volumes, channels reset, the 7 silent start ticks ahead.
    void start();

    uint32_t runTick(uint32_t outputRate) override;

    bool songEnded() const { return state_.songEnded; }
    // Where playback stands, published for readers on other threads:
    // (order << 16) | row, or kSongOver once the song has ended.
    static constexpr uint32_t kSongOver = 0xFFFFFFFF;
    uint32_t playingPosition() const { return published_.load(std::memory_order_relaxed); }

    // How many rows playback has reached since the start (a delayed row
    // counts once); published for readers on other threads.
    uint32_t rowsPlayed() const { return rowsPlayed_; }
    uint32_t publishedRowsPlayed() const { return publishedRows_.load(std::memory_order_relaxed); }

    // A silent sequencer runs only what decides the song's timing and flow,
    // and sends nothing to the voices.
    void setSilent(bool silent) { silent_ = silent; }

    // Ends the song when it is about to reach more rows than this.
    void endAfterRows(uint32_t rows) { rowLimit_ = rows; }

    // Continues at the row time table's entry number index: its order and
    // row with its speed, tempo, global volume and loop; every voice stops.
    void jumpTo(const RowTime& entry, uint32_t index);
    // Continues at the start of order, row 0 (without a time table).
    void jumpToOrder(int order);

    const PlaybackState& state() const { return state_; }
    PlaybackState& state() { return state_; }

private:
    void tick();
    void advanceRow();
    void carryOutChange(OrderChange change, int startRow, bool fromJump);
    bool loopsBeforeBreaks() const;
    void endSong();
    void readRow();
    void triggerNote(ChannelState& channel);
    void takeDelayedSampleVolume(ChannelState& channel);
    void swapSample(ChannelState& channel, const Sample& sample);
    // Whether the instrument (with the note, or the channel's last) plays a sample.
    bool hasSampleFor(int instrumentNumber, int note, const ChannelState& channel) const;
    // DMF's cells: note, instrument and volume; their effects are not played.
    void playDmfCell(ChannelState& channel);
    void startNote(ChannelState& channel, int note, bool itSlidesOn = false);
    // The channel's instrument's (or sample's) envelopes from their start
    // (an IT envelope that carries from where the sounding note left it),
    // the fade and auto-vibrato anew, the key held again.
    void restartEnvelopes(ChannelState& channel) const;
    // IT: as a cell's note is about to replace the channel's sounding note,
    // keeps that note for its instrument's new-note action.
    void keepLeavingNote(ChannelState& channel);
    // When the cell's note does start (a tone portamento takes it as its
    // target instead): the duplicate checks on the channel's earlier notes,
    // and the kept note handed over to a background note.
    void leaveNotes(int index);
    void panItNote(ChannelState& channel, const Instrument* instrument, const Sample& sample, int note,
                   bool slidesOn);
    int randomSwing(int range);
    static void restartEnvelope(EnvelopeRun& run, const Envelope* envelope, bool sounding);
    void pushToBackground(int index, const ChannelState& leaving);
    int freeBackgroundSlot() const;
    bool repeats(const ChannelState& earlier, const ChannelState& channel) const;
    bool takeDuplicateAction(ChannelState& earlier) const;
    void advanceEnvelopes();
    void advanceEnvelopes(ChannelState& channel);
    void updatePeriodsAndFades();
    void updatePeriodAndFade(ChannelState& channel);
    void sendToVoices();
    void sendBackgroundNotes();
    void stopBackgroundNotes();
    // IT: the pitch envelope's bend of a period, and the channel's filter
    // for this tick.
    int32_t bendByPitchEnvelope(const ChannelState& channel, int32_t period) const;
    void updateFilter(ChannelState& channel) const;
    void sendFilter(int voice, ChannelState& channel);
    void actOnPastNotes(int index, int action);
    int voiceVolume(const ChannelState& channel) const;
    int voicePanning(const ChannelState& channel) const;
    void publishPosition();

    const Song& song_;
    VoiceControl& voices_;
    PlaybackState state_;
    const Pattern* pattern_ = nullptr;  // the current order's pattern; null plays empty rows
    // IT, by channel: a cell's note until it starts or not, and the sounding
    // note it replaces, kept for its new-note action.
    std::array<bool, kMaxChannels> noteStarting_{};
    std::array<std::optional<ChannelState>, kMaxChannels> leavingNotes_;
    bool silent_ = false;
    uint32_t rowsPlayed_ = 0;
    uint32_t rowLimit_ = 0xFFFFFFFF;
    std::atomic<uint32_t> published_{0};
    std::atomic<uint32_t> publishedRows_{0};
};

// Note 127 and effect 25: releases the envelopes' sustain and starts the
// fade; without a volume envelope the note stops (but not in IT, MDL and XM).
void releaseNote(const Song& song, ChannelState& channel);

}  // namespace tumbor::trk
