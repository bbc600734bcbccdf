// The tick: rows, notes, effects, and what each voice is told.
#include "libs/trk/sequencer/sequencer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "libs/trk/sequencer/effects.h"

namespace tumbor::trk {
namespace {

bool isSongFormat(const Song& song, SongFormat format) { return song.format == format; }

// DMF cells: notes 1 .. 108, 255 stops the note; the volume byte after the
// volume effect.
constexpr int kDmfLastNote = 108;
constexpr int kDmfNoteOff = 255;
constexpr int kDmfVolume = 4;

// What a cell of a missing track holds: no note, no effect, and a volume
// column that sets nothing in this format.
std::array<uint8_t, kMaxCellSize> emptyCell(SongFormat format) {
    std::array<uint8_t, kMaxCellSize> cell{};
    if (format == SongFormat::it)
        cell[kCellVolume] = 255;
    else if (format != SongFormat::mdl && format != SongFormat::dmf)
        cell[kCellVolume] = kNoVolume;
    return cell;
}

// The limits the reference player keeps periods in (4 x Amiga periods).
void setPeriodLimits(const Song& song, PlaybackState& state) {
    state.periodLimitsHoldBase = false;
    // XM slides up to period 1, some 535 kHz under the linear rule.
    if (song.format == SongFormat::xm && song.linearFrequencies) {
        state.minPeriod = 1;
        state.maxPeriod = 7744;
    } else if (song.format == SongFormat::xm) {
        state.minPeriod = 1;
        state.maxPeriod = 29024;
    } else if (song.format == SongFormat::mdl) {
        state.minPeriod = 1;
        state.maxPeriod = 65535;
    } else if (song.format == SongFormat::mod) {
        // ProTracker's B-3 to C-1; other MODs only have a lowest period.
        state.minPeriod = song.protrackerRules ? 113 * 4 : 14 * 4;
        state.maxPeriod = song.protrackerRules ? 856 * 4 : 1 << 20;  // far below hearing
        state.periodLimitsHoldBase = true;
    } else if (song.format == SongFormat::s3m && song.amigaLimits) {
        state.minPeriod = 113 * 4;
        state.maxPeriod = 856 * 4;
        state.periodLimitsHoldBase = true;
    } else if (song.format == SongFormat::s3m || song.format == SongFormat::stm ||
               song.format == SongFormat::mtm) {
        state.minPeriod = 64;
        state.maxPeriod = 32767;
    } else {
        state.minPeriod = 50;
        state.maxPeriod = 55000;
    }
}

int clampValue(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

// XM, S3M and IT cut the channel at a note whose instrument number the song
// lacks or whose instrument has no sample for it; IT at such an instrument
// number alone too.
bool cutsWithoutSample(const Song& song, int note) {
    const bool played = note >= 1 && note <= kLastNote;
    return isSongFormat(song, SongFormat::it) ||
           (played && (isSongFormat(song, SongFormat::xm) || isSongFormat(song, SongFormat::s3m)));
}

}  // namespace

int EnvelopeRun::value() const {
    if (!envelope || envelope->values.empty()) return 0;
    int last = static_cast<int>(envelope->values.size()) - 1;
    return envelope->values[static_cast<size_t>(position < last ? position : last)];
}

// IT fades a released note out at once only when its volume envelope is off
// or loops; an envelope that runs to its end starts the fade there.
void releaseNote(const Song& song, ChannelState& channel) {
    channel.keyOff = true;
    const EnvelopeRun& volume = channel.volumeEnvelope;
    if (song.format != SongFormat::it || !volume.enabled() || volume.envelope->loops) channel.fading = true;
    channel.panningEnvelope.sustainHeld = false;
    channel.pitchEnvelope.sustainHeld = false;
    if (channel.volumeEnvelope.enabled()) {
        channel.volumeEnvelope.sustainHeld = false;
    } else if (song.format != SongFormat::it && song.format != SongFormat::mdl &&
               song.format != SongFormat::xm) {
        channel.stopVoice = true;
        channel.volume = 0;
    }
}

Sequencer::Sequencer(const Song& song, VoiceControl& voices) : song_(song), voices_(voices) {}

void Sequencer::start() {
    state_ = PlaybackState{};
    noteStarting_.fill(false);
    leavingNotes_.fill(std::nullopt);
    PlaybackState& s = state_;
    s.speed = song_.initialSpeed;
    s.tempo = song_.initialTempo;
    s.globalVolume = song_.initialGlobalVolume;
    s.maxVolume = song_.maxChannelVolume;
    s.pitchRule = pitchRuleFor(song_);
    setPeriodLimits(song_, s);
    if (isSongFormat(song_, SongFormat::dmf)) {
        s.ticksPerSecondMode = true;
        s.ticksPerSecond = 32;
        s.speed = 4;
        s.dmfShift = 2;
        s.beat = 4;
    }
    for (int index = 0; index < kMaxChannels; ++index) {
        ChannelState& channel = s.channels[static_cast<size_t>(index)];
        channel.volume = s.maxVolume;
        channel.outputVolume = s.maxVolume;
        channel.panning = song_.channelPanning[static_cast<size_t>(index)];
        // DMF volume and panning run on a scale the DMF shift divides down.
        if (isSongFormat(song_, SongFormat::dmf)) {
            channel.volume = channel.outputVolume = s.maxVolume << s.dmfShift;
            channel.panning = 128 << s.dmfShift;
        }
        channel.channelVolume = song_.channelVolume[static_cast<size_t>(index)];
        channel.cell = emptyCell(song_.format);
    }
    // The first tick after the start delay moves from before the first order
    // to its first row, skipping markers as any move to a next order does.
    s.order = -1;
    s.row = 0;
    s.tick = s.speed;
    s.pendingChange = OrderChange::next;
    s.pendingStartRow = 0;
    pattern_ = nullptr;
    rowsPlayed_ = 0;
    publishPosition();
}

uint32_t Sequencer::runTick(uint32_t outputRate) {
    // ProTracker's timer takes a new tempo from the next tick on.
    const int tempoBefore = state_.tempo;
    tick();
    const PlaybackState& s = state_;
    const int tempo = isSongFormat(song_, SongFormat::mod) && !song_.multichannelMod ? tempoBefore : s.tempo;
    uint32_t frames;
    if (isSongFormat(song_, SongFormat::dmf)) {
        if (s.ticksPerSecondMode)
            frames = outputRate / static_cast<uint32_t>(std::max(s.ticksPerSecond, 1));
        else
            frames = outputRate * 15 / static_cast<uint32_t>(std::max(s.tempo * s.beat, 1));
    } else {
        frames = (outputRate * 320 / static_cast<uint32_t>(std::max(tempo, 1))) >> 7;
    }
    return frames ? frames : 1;
}

void Sequencer::tick() {
    PlaybackState& s = state_;
    if (s.startDelay > 0) {
        --s.startDelay;
        return;
    }
    EffectContext context{song_, s};
    if (s.tick == 0 && pattern_ && !pattern_->globalTrack.empty() && !s.songEnded) {
        size_t at = static_cast<size_t>(s.row) * 2;
        if (isSongFormat(song_, SongFormat::dmf) && s.row == 0 && pattern_->beat != 0 &&
            !s.ticksPerSecondMode) {
            s.speed = 4;
            s.dmfShift = 2;
            s.beat = pattern_->beat;
        }
        if (at + 1 < pattern_->globalTrack.size())
            applyGlobalTrack(context, pattern_->globalTrack[at], pattern_->globalTrack[at + 1],
                             pattern_->beat);
    }
    ++s.tick;
    if (!silent_) advanceEnvelopes();
    const bool rowStarts = s.tick >= s.speed + s.fineRowDelay;
    if (rowStarts) {
        advanceRow();
        readRow();
    }
    if (!silent_) {
        const bool dmf = isSongFormat(song_, SongFormat::dmf);
        for (int index = 0; index < song_.channelCount; ++index) {
            ChannelState& channel = s.channels[static_cast<size_t>(index)];
            // A note delay holds the cell's note, instrument and volume back
            // to its tick, on every repetition of a delayed row; the other
            // notes of a delayed row sound once.
            if (dmf) {
                if (rowStarts && s.patternDelay == 0) playDmfCell(channel);
                continue;
            }
            const int noteTick = noteTickOf(song_, channel.cell.data());
            if (s.tick == noteTick && (rowStarts || noteTick > 0) && (s.patternDelay == 0 || noteTick > 0))
                triggerNote(channel);
            else if (rowStarts && noteTick > 0 && isSongFormat(song_, SongFormat::mod))
                takeDelayedSampleVolume(channel);
        }
    }
    for (int index = 0; index < song_.channelCount; ++index) {
        ChannelState& channel = s.channels[static_cast<size_t>(index)];
        channel.sounding = voices_.voicePlaying(index);
        if (silent_)
            applyTimingEffects(context, channel);
        else
            applyChannelEffects(context, channel, index);
    }
    for (int index = 0; index < song_.channelCount; ++index)
        applyGlobalEffects(context, s.channels[static_cast<size_t>(index)], index);
    if (silent_) return;
    updatePeriodsAndFades();
    sendToVoices();
}

void Sequencer::advanceRow() {
    PlaybackState& s = state_;
    s.tick = 0;
    s.fineRowDelay = 0;
    if (s.pendingPatternDelay) {
        s.patternDelay = s.pendingPatternDelay;
        s.pendingPatternDelay = 0;
    }
    // A delayed row repeats as it is; a loop or an order change it carries
    // waits for its last repetition.
    if (s.patternDelay > 0 && s.patternDelay-- != 1) return;
    // A song that never ends by itself ends where its row time table does.
    if (++rowsPlayed_ > rowLimit_) {
        endSong();
        return;
    }
    // IT, Scream Tracker and ProTracker go round a loop before a break or
    // jump on its last row.
    if (s.loopTarget >= 0 && loopsBeforeBreaks()) s.pendingChange = OrderChange::none;
    if (s.loopTarget >= 0) {
        s.row = s.loopTarget;
        s.loopTarget = -1;
    } else {
        ++s.row;
    }
    OrderChange change = s.pendingChange;
    int startRow = s.pendingStartRow;
    bool fromJump = s.changeIsJump;
    if (s.order < 0 || s.order >= song_.length || s.row >= s.rowCount) {
        if (change == OrderChange::none) {
            change = OrderChange::next;
            startRow = 0;
        }
    }
    s.pendingChange = OrderChange::none;
    s.pendingStartRow = 0;
    s.changeIsJump = false;
    if (change != OrderChange::none) carryOutChange(change, startRow, fromJump);
    publishPosition();
}

void Sequencer::carryOutChange(OrderChange change, int startRow, bool fromJump) {
    PlaybackState& s = state_;
    int previous = s.order;
    // XM, IT and ProTracker keep each channel's loop start and count into the next pattern.
    if (!isSongFormat(song_, SongFormat::xm) && !isSongFormat(song_, SongFormat::it) &&
        !isSongFormat(song_, SongFormat::mod))
        s.loops.fill(PatternLoop{});
    s.row = startRow;
    if (fromJump) s.order = s.jumpOrder - 1;
    s.order += static_cast<int>(change) - 2;
    const std::vector<uint16_t>& orders = song_.orders;
    if (change == OrderChange::next)
        while (s.order >= 0 && s.order < song_.length &&
               orders[static_cast<size_t>(s.order)] > kLastPatternOrder)
            ++s.order;
    if (change == OrderChange::back)
        while (s.order >= 0 && s.order < song_.length &&
               orders[static_cast<size_t>(s.order)] > kLastPatternOrder)
            --s.order;
    if (change != OrderChange::stay) s.loopChannel = 255;

    // The song ends where its row time table ends: past the last order, or
    // at a jump back to an order already played, which would repeat it forever.
    if (s.order >= song_.length || s.order < 0 || (fromJump && s.order <= previous)) {
        endSong();
        return;
    }
    s.songEnded = false;
    if (s.order > 0 && orders[static_cast<size_t>(s.order - 1)] == kOrderEndMarker) {
        s.speed = song_.initialSpeed;
        s.tempo = song_.initialTempo;
    }
    pattern_ = song_.findPattern(orders[static_cast<size_t>(s.order)]);
    s.rowCount = pattern_ ? pattern_->rows : kDefaultRows;
    // A start row the pattern does not have starts it at its first row.
    if (s.row >= s.rowCount) s.row = 0;
}

void Sequencer::endSong() {
    PlaybackState& s = state_;
    s.songEnded = true;
    s.speed = song_.initialSpeed;
    s.tempo = song_.initialTempo;
    if (!isSongFormat(song_, SongFormat::xm)) s.globalVolume = song_.initialGlobalVolume;
    s.order = song_.length;
    s.row = 0;
    pattern_ = nullptr;
    s.rowCount = kDefaultRows;
    publishPosition();
}

void Sequencer::readRow() {
    PlaybackState& s = state_;
    size_t cellSize = static_cast<size_t>(song_.cellSize);
    size_t at = static_cast<size_t>(s.row) * cellSize;
    for (int index = 0; index < song_.channelCount; ++index) {
        ChannelState& channel = s.channels[static_cast<size_t>(index)];
        const std::vector<uint8_t>* track =
            pattern_ && !s.songEnded ? &pattern_->tracks[static_cast<size_t>(index)] : nullptr;
        if (track && track->size() >= at + cellSize) {
            std::memcpy(channel.cell.data(), track->data() + at, cellSize);
            // Scream Tracker's S00 repeats the shared parameter, a note delay's too.
            uint8_t* cell = channel.cell.data();
            if (isSongFormat(song_, SongFormat::s3m) && cell[kCellEffect] == kExtended && cell[kCellParameter] == 0)
                cell[kCellParameter] = static_cast<uint8_t>(channel.sharedParameter);
        } else {
            channel.cell = emptyCell(song_.format);
        }
    }
}

bool Sequencer::loopsBeforeBreaks() const {
    return isSongFormat(song_, SongFormat::it) || isSongFormat(song_, SongFormat::s3m) ||
           isSongFormat(song_, SongFormat::mod);
}

bool Sequencer::hasSampleFor(int instrumentNumber, int note, const ChannelState& channel) const {
    const Instrument* instrument =
        instrumentNumber <= song_.instrumentCount ? song_.findInstrument(instrumentNumber) : nullptr;
    if (!instrument) return false;
    const int index =
        instrument
            ->noteMap[static_cast<size_t>((note >= 1 && note <= kLastNote ? note : channel.lastNote) & 127)];
    return index >= 0 && index < kMaxSamples && song_.findSample(index + 1);
}

// ProTracker takes the sample volume of a delayed note's sample number at
// once; the note waits.
void Sequencer::takeDelayedSampleVolume(ChannelState& channel) {
    const Sample* sample = song_.findSample(channel.cell[kCellInstrument]);
    if (sample) channel.volume = std::min(sample->volume, state_.maxVolume);
}

void Sequencer::triggerNote(ChannelState& channel) {
    int note = channel.cell[kCellNote];
    int instrumentNumber = channel.cell[kCellInstrument];
    const bool xm = isSongFormat(song_, SongFormat::xm);
    // XM: a K00 beside them passes over the cell's note and instrument.
    if (xm && channel.cell[kCellEffect] == kKeyOff && channel.cell[kCellParameter] == 0) return;
    const bool it = isSongFormat(song_, SongFormat::it);
    const int index = static_cast<int>(&channel - state_.channels.data());
    const bool sounding = voices_.voicePlaying(index);
    // IT: a tone portamento goes on only from a note still sounding; after a
    // cut or the sample's end its note starts afresh.
    const bool slides = it && slidesToNote(song_, channel.cell.data()) && sounding;
    // IT: an instrument number alone plays the last note again when it
    // names another instrument or the note has ended by itself; never after
    // a cut or a note off, nor while the note fades out.
    if (it && note == 0 && instrumentNumber && channel.lastNote && !slides && !channel.noteCut &&
        !channel.keyOff && !(channel.fading && sounding) &&
        (instrumentNumber != channel.instrument || !sounding))
        note = channel.lastNote;
    const bool played = note >= 1 && note <= kLastNote;
    // IT's instruments: a note or an instrument number alone that plays no
    // sample (an instrument missing, or its key mapped to none) leaves the
    // sounding note as it is; the channel takes the number all the same.
    if (it && song_.itInstruments && (played || (note == 0 && instrumentNumber)) &&
        !hasSampleFor(instrumentNumber ? instrumentNumber : channel.instrument, note, channel)) {
        if (instrumentNumber) channel.instrument = instrumentNumber;
        return;
    }
    // A slide's note never leaves the sounding one behind.
    if (it && played && !slides) keepLeavingNote(channel);
    // XM: a note cuts the channel when its instrument, the cell's or the
    // channel's, has no sample for it.
    const int numberForNote = xm && !instrumentNumber ? channel.instrument : instrumentNumber;
    if ((instrumentNumber || (xm && played)) && cutsWithoutSample(song_, note) &&
        !hasSampleFor(numberForNote, note, channel)) {
        channel.stopVoice = true;
        channel.volume = 0;
        return;
    }
    // XM: an instrument number alone or beside a tone portamento's note
    // (even an empty one's) is the channel's for the notes to come; the
    // sounding sample plays on and takes back its own volume, panning and
    // envelopes. IT: a slide keeps the sample it slides unless an instrument
    // number comes with it, and always under compatible Gxx.
    const bool keepsSample = xm ? note == 0 || slidesToNote(song_, channel.cell.data())
                                : slides && (song_.itSeparateG || !instrumentNumber);
    if (instrumentNumber &&
        (xm || (instrumentNumber <= song_.instrumentCount && song_.findInstrument(instrumentNumber))))
        channel.instrument = instrumentNumber;
    const Instrument* instrument = song_.findInstrument(channel.instrument);
    const int playingSample = channel.sample;
    if ((note || instrumentNumber) && instrument && !keepsSample) {
        // IT looks a note off, cut or fade up on the last note's key.
        int lookup = (note && (played || !it) ? note : channel.lastNote) & 127;
        int index = instrument->noteMap[static_cast<size_t>(lookup)];
        if (index >= 0 && index < kMaxSamples && song_.findSample(index + 1)) channel.sample = index + 1;
    }
    const Sample* sample = song_.findSample(channel.sample);
    if (instrumentNumber && sample) {
        bool mdl = isSongFormat(song_, SongFormat::mdl);
        if (!mdl || sample->volume != 0) channel.volume = std::min(sample->volume, state_.maxVolume);
        // IT takes default panning at each note start instead.
        if (sample->panning >= 0 && !it) channel.panning = sample->panning;
        if (instrument && instrument->panning >= 0 && !it) channel.panning = instrument->panning;
        channel.sampleGlobalVolume = sample->globalVolume;
        channel.instrumentGlobalVolume =
            instrument && instrument->globalVolume >= 0 ? instrument->globalVolume : 128;
        channel.retriggerCounter = 0;
        if (!isSongFormat(song_, SongFormat::it)) channel.tremorCounter = 0;
        channel.tremorRunning = false;
        channel.tremorFresh = true;
        channel.arpeggioNote = channel.lastNote;
        // IT: the instrument's envelopes run again as it stores them.
        for (EnvelopeRun* run : {&channel.volumeEnvelope, &channel.panningEnvelope, &channel.pitchEnvelope})
            run->switched = EnvelopeRun::Switch::asStored;
    }
    if (note >= 1 && note <= kLastNote) {
        // IT: a slide onto another sample starts that sample at the slide's
        // pitch; envelopes and fade go on unless compatible Gxx brings an
        // instrument number.
        channel.portamentoNewSample = slides && channel.sample != playingSample;
        startNote(channel, note, slides && !(instrumentNumber && song_.itSeparateG));
        // Scream Tracker's AdLib instruments have no sample: the channel falls silent.
        if (isSongFormat(song_, SongFormat::s3m) && !channel.hasSample()) channel.stopVoice = true;
    } else if (note == 0 && instrumentNumber && xm) {
        // XM: an instrument number alone restarts the sounding note's
        // envelopes and fade, and takes back a key off.
        restartEnvelopes(channel);
    } else if (instrumentNumber && !note && sample && isSongFormat(song_, SongFormat::mod) &&
               !song_.multichannelMod) {
        swapSample(channel, *sample);
    } else if (note == kNoteOff && xm) {
        // A key off without a volume envelope silences the note (it sounds
        // again at the next volume), unless an instrument number or a set
        // volume comes with it: then it only releases the note.
        int volume = channel.cell[kCellVolume];
        bool spared = instrumentNumber || volume <= 64 || channel.cell[kCellEffect] == kSetVolume;
        if (!channel.volumeEnvelope.enabled() && !spared) {
            channel.volume = 0;
            channel.fading = true;
        } else {
            releaseNote(song_, channel);
        }
        // A delayed key off ends as a delayed note does: with the
        // envelopes restarted, and so the key held again.
        if (noteTickOf(song_, channel.cell.data()) > 0) restartEnvelopes(channel);
    } else if (note == kNoteOff) {
        releaseNote(song_, channel);
    } else if (note == kNoteFade) {
        channel.fading = true;
    } else if (note == kNoteCut) {
        // IT's cut stops the voice but leaves the volume for the next note.
        channel.stopVoice = true;
        if (!it) channel.volume = 0;
        channel.noteCut = true;
    }
}

// ProTracker: a sample number without a note takes over from the playing
// sample where its loop ends; the note plays on at its period.
void Sequencer::swapSample(ChannelState& channel, const Sample& sample) {
    // An empty sample's volume of 0 silences the note; its voice plays on.
    if (channel.data == sample.data.get() || sample.length == 0) return;
    const int index = static_cast<int>(&channel - state_.channels.data());
    if (!voices_.voicePlaying(index) || !(channel.flags & kSampleLooped)) return;
    channel.data = sample.data.get();
    channel.length = static_cast<int32_t>(sample.length);
    channel.flags = sample.flags;
    channel.loopStart = static_cast<int32_t>(sample.loopStart);
    channel.loopEnd = static_cast<int32_t>(sample.loopEnd);
    voices_.queueSample(index, channel.data, channel.length, channel.loopStart,
                        std::min(channel.loopEnd, channel.length), channel.flags);
}

void Sequencer::playDmfCell(ChannelState& channel) {
    const uint8_t* cell = channel.cell.data();
    int note = cell[kCellNote];
    int instrumentNumber = cell[kCellInstrument];
    if (instrumentNumber && instrumentNumber <= song_.instrumentCount &&
        song_.findInstrument(instrumentNumber))
        channel.instrument = instrumentNumber;
    const Instrument* instrument = song_.findInstrument(channel.instrument);
    // Notes count from 1; one lower, plus the instrument's octave, puts
    // the sample's own rate on note 37 (C-3).
    int played = note >= 1 && note <= kDmfLastNote ? note - 1 : -1;
    if ((played >= 0 || instrumentNumber) && instrument) {
        int lookup = played >= 0 ? played : channel.lastNote;
        int index = instrument->noteMap[static_cast<size_t>(lookup & 127)];
        if (index >= 0 && index < kMaxSamples && song_.findSample(index + 1)) channel.sample = index + 1;
    }
    const Sample* sample = song_.findSample(channel.sample);
    if (instrumentNumber && sample && sample->volume) channel.volume = sample->volume << state_.dmfShift;
    if (played >= 0)
        startNote(channel, played);
    else if (note == kDmfNoteOff)
        channel.stopVoice = true;
    if (cell[kDmfVolume]) channel.volume = cell[kDmfVolume] << state_.dmfShift;
}

void Sequencer::restartEnvelopes(ChannelState& channel) const {
    const Sample* sample = song_.findSample(channel.sample);
    if (!sample) return;
    const Instrument* instrument = song_.findInstrument(channel.instrument);
    const EnvelopeRef& volumeEnvelope = instrument && instrument->volumeEnvelope
                                            ? instrument->volumeEnvelope
                                            : sample->noteStart.volumeEnvelope;
    const EnvelopeRef& panningEnvelope = instrument && instrument->panningEnvelope
                                             ? instrument->panningEnvelope
                                             : sample->noteStart.panningEnvelope;
    // An IT envelope that carries goes on from where the sounding note left it.
    const bool sounding = voices_.voicePlaying(static_cast<int>(&channel - state_.channels.data()));
    restartEnvelope(channel.volumeEnvelope, volumeEnvelope.get(), sounding);
    restartEnvelope(channel.panningEnvelope, panningEnvelope.get(), sounding);
    restartEnvelope(channel.pitchEnvelope, instrument ? instrument->pitchEnvelope.get() : nullptr, sounding);
    channel.fade = 65536;
    channel.fading = false;
    channel.keyOff = false;
    channel.fadeoutRate = sample->noteStart.fadeout + (instrument ? instrument->fadeout : 0);
    channel.autoVibrato.start(sample->noteStart, isSongFormat(song_, SongFormat::xm));
}

void Sequencer::startNote(ChannelState& channel, int note, bool itSlidesOn) {
    const Sample* sample = song_.findSample(channel.sample);
    if (!sample) return;
    const Instrument* instrument = song_.findInstrument(channel.instrument);
    if (isSongFormat(song_, SongFormat::it))
        channel.newNoteAction = instrument ? instrument->newNoteAction : NewNoteAction::cut;
    // A MOD channel keeps the fine-tune E5x gave it until a sample number
    // brings the sample's own, and under a slide until the sample changes.
    const bool keepsTuning = isSongFormat(song_, SongFormat::mod) && channel.data &&
                             (!channel.cell[kCellInstrument] ||
                              (slidesToNote(song_, channel.cell.data()) && channel.data == sample->data.get()));
    channel.data = sample->data.get();
    channel.length = static_cast<int32_t>(sample->length);
    if (!keepsTuning) {
        channel.c4Speed = sample->c4Speed;
        channel.fineTune = sample->fineTune;
    }
    channel.flags = sample->flags;
    channel.loopStart = static_cast<int32_t>(sample->loopStart);
    channel.loopEnd = static_cast<int32_t>(sample->loopEnd);
    channel.decimationShift = sample->decimationShift;
    channel.noteTranspose =
        (instrument ? instrument->noteTranspose[static_cast<size_t>(note & 127)] : 0) + sample->relativeNote;

    // XM restarts them only at an instrument number: a note without one
    // (or a tone portamento's) carries on its envelopes and fade, and a
    // released note stays released. An IT slide lets them run on (its
    // caller decides); its fade-out and auto-vibrato start anew.
    const bool xm = isSongFormat(song_, SongFormat::xm);
    if (xm ? channel.cell[kCellInstrument] != 0 : !itSlidesOn) {
        restartEnvelopes(channel);
    } else if (!xm) {
        channel.fadeoutRate = sample->noteStart.fadeout + (instrument ? instrument->fadeout : 0);
        channel.autoVibrato.start(sample->noteStart, false);
    }

    // XM's note 120 is its lowest, C-0; a note transposed to B-9 or past it is not played.
    int transposed = (xm && note == 120 ? 0 : note) + channel.noteTranspose;
    if (xm && transposed >= 119) return;
    channel.lastNote = note;
    channel.arpeggioNote = note;
    channel.periodBeforeNote = channel.basePeriod;
    channel.basePeriod = noteToPeriod(state_.pitchRule, isSongFormat(song_, SongFormat::it), transposed,
                                      channel.c4Speed, channel.fineTune);
    channel.outputPeriod = channel.basePeriod;
    channel.noteOn = true;
    channel.noteCut = false;
    channel.startOffset = 0;
    // Scream Tracker 3 and ProTracker start a note without an instrument
    // number where the last sample offset left the note before.
    if (isSongFormat(song_, SongFormat::s3m) || song_.protrackerRules) {
        if (channel.cell[kCellInstrument])
            channel.previousNoteOffset = 0;
        else
            channel.startOffset = std::min(channel.previousNoteOffset, std::max(channel.length - 1, 0));
    }
    channel.panbrelloOffset = 0;
    if (isSongFormat(song_, SongFormat::it)) {
        panItNote(channel, instrument, *sample, note, itSlidesOn);
        if (instrument && instrument->randomVolume && !itSlidesOn) {
            const int base = instrument->globalVolume >= 0 ? instrument->globalVolume : 128;
            channel.instrumentGlobalVolume =
                clampValue(base + base * randomSwing(instrument->randomVolume) / 100, 0, 128);
        }
    }
    // Waveform + 4 keeps the position; IT's tremolo always keeps it.
    if (!(channel.waveControl & 0x04)) channel.vibratoPosition = 0;
    if (!(channel.waveControl & 0x40) && !isSongFormat(song_, SongFormat::it)) channel.tremoloPosition = 0;
}

// A note's envelope starts from its beginning, or where the sounding note's
// run of the same envelope stands when the envelope carries.
void Sequencer::restartEnvelope(EnvelopeRun& run, const Envelope* envelope, bool sounding) {
    const bool carried = envelope && envelope->carries && run.envelope == envelope && sounding;
    run = EnvelopeRun{envelope, carried ? run.position : 0, true};
}

// An IT note starts from its instrument's default panning, else its
// sample's, else the channel's; pitch-pan separation and the instrument's
// random variation move it from there, and the next note starts from the
// panning before they did.
void Sequencer::panItNote(ChannelState& channel, const Instrument* instrument, const Sample& sample, int note,
                          bool slidesOn) {
    if (channel.panningBeforeSeparation >= 0) channel.panning = channel.panningBeforeSeparation;
    channel.panningBeforeSeparation = -1;
    if (!slidesOn && instrument && instrument->panning >= 0) channel.panning = instrument->panning;
    if (!slidesOn && sample.panning >= 0) channel.panning = sample.panning;
    if (!instrument) return;
    int moved = (note - instrument->pitchPanCenter) * instrument->pitchPanSeparation / 8;
    if (!slidesOn) moved += randomSwing(instrument->randomPanning);
    if (!moved) return;
    channel.panningBeforeSeparation = channel.panning;
    channel.panning = clampValue(channel.panning + moved, 0, 64);
}

// -range .. range, from the song's own generator.
int Sequencer::randomSwing(int range) {
    if (range <= 0) return 0;
    uint32_t& random = state_.random;
    random = random * 1103515245u + 12345u;
    return static_cast<int>((random >> 16) % static_cast<uint32_t>(2 * range + 1)) - range;
}

// The note is kept only when its instrument lets it sound on.
void Sequencer::keepLeavingNote(ChannelState& channel) {
    const size_t index = static_cast<size_t>(&channel - state_.channels.data());
    noteStarting_[index] = true;
    if (channel.newNoteAction != NewNoteAction::cut && channel.hasSample() && !channel.stopVoice &&
        voices_.voicePlaying(static_cast<int>(index)))
        leavingNotes_[index] = channel;
    else
        leavingNotes_[index].reset();
}

void Sequencer::leaveNotes(int index) {
    const ChannelState& channel = state_.channels[static_cast<size_t>(index)];
    for (int slot = 0; slot < kBackgroundNotes; ++slot) {
        BackgroundNote& note = state_.background[static_cast<size_t>(slot)];
        if (!note.active || note.channelIndex != index || !repeats(note.channel, channel)) continue;
        if (!takeDuplicateAction(note.channel)) {
            voices_.stopVoice(kMaxChannels + slot);
            note.active = false;
        }
    }
    std::optional<ChannelState>& leaving = leavingNotes_[static_cast<size_t>(index)];
    if (!leaving || (repeats(*leaving, channel) && !takeDuplicateAction(*leaving))) return;
    pushToBackground(index, *leaving);
}

// Whether the channel's new note repeats an earlier one, by the rule of the
// earlier note's instrument; only notes of the same instrument can.
bool Sequencer::repeats(const ChannelState& earlier, const ChannelState& channel) const {
    const Instrument* instrument = song_.findInstrument(earlier.instrument);
    if (!instrument || earlier.instrument != channel.instrument) return false;
    switch (instrument->duplicateCheck) {
        case DuplicateCheck::note:
            return earlier.lastNote == channel.lastNote;
        case DuplicateCheck::sample:
            return earlier.sample == channel.sample;
        case DuplicateCheck::instrument:
            return true;
        case DuplicateCheck::off:
            break;
    }
    return false;
}

// The earlier note's instrument's duplicate action; false when it cuts the note.
bool Sequencer::takeDuplicateAction(ChannelState& earlier) const {
    const Instrument* instrument = song_.findInstrument(earlier.instrument);
    switch (instrument ? instrument->duplicateAction : DuplicateAction::cut) {
        case DuplicateAction::cut:
            return false;
        case DuplicateAction::release:
            releaseNote(song_, earlier);
            break;
        case DuplicateAction::fade:
            earlier.fading = true;
            break;
    }
    return true;
}

void Sequencer::pushToBackground(int index, const ChannelState& leaving) {
    const int slot = freeBackgroundSlot();
    BackgroundNote& note = state_.background[static_cast<size_t>(slot)];
    note.active = true;
    note.channelIndex = index;
    note.channel = leaving;
    note.channel.noteOn = false;
    if (note.channel.newNoteAction == NewNoteAction::release)
        releaseNote(song_, note.channel);
    else if (note.channel.newNoteAction == NewNoteAction::fade)
        note.channel.fading = true;
    voices_.moveVoice(index, kMaxChannels + slot);
}

// A free slot, else one whose voice has run out, else the quietest note's.
int Sequencer::freeBackgroundSlot() const {
    int quietest = 0;
    int quietestVolume = 512;
    for (int slot = 0; slot < kBackgroundNotes; ++slot) {
        const BackgroundNote& note = state_.background[static_cast<size_t>(slot)];
        if (!note.active || !voices_.voicePlaying(kMaxChannels + slot)) return slot;
        int volume = voiceVolume(note.channel);
        if (volume < quietestVolume) {
            quietest = slot;
            quietestVolume = volume;
        }
    }
    return quietest;
}

void Sequencer::advanceEnvelopes() {
    if (!isSongFormat(song_, SongFormat::xm) && !isSongFormat(song_, SongFormat::mdl) &&
        !isSongFormat(song_, SongFormat::it))
        return;
    for (int index = 0; index < song_.channelCount; ++index)
        advanceEnvelopes(state_.channels[static_cast<size_t>(index)]);
    for (BackgroundNote& note : state_.background)
        if (note.active) advanceEnvelopes(note.channel);
}

void Sequencer::advanceEnvelopes(ChannelState& channel) {
    const bool xmStyle = !isSongFormat(song_, SongFormat::it);
    for (EnvelopeRun* run : {&channel.volumeEnvelope, &channel.panningEnvelope, &channel.pitchEnvelope}) {
        if (!run->enabled()) continue;
        const Envelope& envelope = *run->envelope;
        if (isSongFormat(song_, SongFormat::xm)) {
            // The loop end's tick already plays the loop start; a position
            // set past the end no longer loops, a loop without length none,
            // and a released note runs on past a sustain on the loop end.
            if (run->sustainHeld && envelope.sustains && run->position == envelope.sustainBegin) continue;
            run->position = std::min(run->position + 1, 511);
            const bool releasedAtSustain =
                envelope.sustains && !run->sustainHeld && envelope.sustainBegin == envelope.loopEnd;
            if (envelope.loops && run->position == envelope.loopEnd && !releasedAtSustain)
                run->position = envelope.loopBegin;
            continue;
        }
        if (xmStyle) {
            if (run->position >= 512) continue;
            if (envelope.loops && run->position >= envelope.loopEnd)
                run->position = envelope.loopBegin;
            else if (!(run->sustainHeld && envelope.sustains && run->position == envelope.sustainBegin))
                run->position = std::min(run->position + 1, 511);
            continue;
        }
        // Only running past the table's end stops it (and starts the
        // volume fade); a loop or sustain ending on the last node goes
        // round (Sequencer.ItEnvelopeLoopEndingOnTheLastNodeGoesRoundWithoutFading).
        int size = static_cast<int>(envelope.values.size());
        ++run->position;
        if (run->sustainHeld && envelope.sustains) {
            if (run->position > envelope.sustainEnd) run->position = envelope.sustainBegin;
        } else if (envelope.loops && run->position > envelope.loopEnd) {
            run->position = envelope.loopBegin;
        }
        if (run->position >= size) {
            run->position = std::max(size - 1, 0);
            if (run != &channel.volumeEnvelope) continue;
            channel.fading = true;
            // A volume envelope ending at zero ends the note.
            if (run->value() == 0) channel.stopVoice = true;
        }
    }
}

void Sequencer::updatePeriodsAndFades() {
    for (int index = 0; index < song_.channelCount; ++index)
        updatePeriodAndFade(state_.channels[static_cast<size_t>(index)]);
    for (BackgroundNote& note : state_.background)
        if (note.active) updatePeriodAndFade(note.channel);
}

void Sequencer::updatePeriodAndFade(ChannelState& channel) {
    PlaybackState& s = state_;
    // A period beyond the limits is held at them; the note plays on.
    if (!isSongFormat(song_, SongFormat::it)) {
        int32_t lowest = s.minPeriod, highest = s.maxPeriod;
        // ProTracker's limits are its C-1 and B-3 at the sample's fine-tune.
        if (song_.protrackerRules && channel.c4Speed > 0) {
            highest = static_cast<int32_t>(int64_t{highest} * kFineTuneSpeed[0] / channel.c4Speed);
            lowest = std::max(lowest, static_cast<int32_t>(int64_t{lowest} * kFineTuneSpeed[0] / channel.c4Speed));
        }
        channel.outputPeriod = std::clamp(channel.outputPeriod, lowest, highest);
        if (s.periodLimitsHoldBase && channel.basePeriod)
            channel.basePeriod = std::clamp(channel.basePeriod, lowest, highest);
    }
    // The effects' period, moved by the pitch envelope and the sample's
    // auto-vibrato, sounds this tick.
    int32_t period = channel.outputPeriod;
    if (isSongFormat(song_, SongFormat::it)) {
        period = bendByPitchEnvelope(channel, period);
        updateFilter(channel);
    }
    int32_t sounding = channel.autoVibrato.apply(period, s.pitchRule, !channel.keyOff);
    channel.frequency = periodToFrequency(s.pitchRule, sounding);
    if (channel.fading) channel.fade = std::max(channel.fade - channel.fadeoutRate, 0);
}

// Each unit of the envelope (an eighth in its table) is half a semitone.
int32_t Sequencer::bendByPitchEnvelope(const ChannelState& channel, int32_t period) const {
    const EnvelopeRun& run = channel.pitchEnvelope;
    if (!run.enabled() || run.envelope->filters) return period;
    const int value = run.value();
    const int steps = std::min(std::abs(value), 255);
    // Hz rise with the pitch; periods fall.
    const bool raise = (value > 0) == (state_.pitchRule == PitchRule::itLinear);
    return scalePeriod(period, raise ? kSlideUp192[steps] : kSlideDown192[steps]);
}

namespace {

// IT's rule: a filter fully open without resonance is turned off only by a
// note starting on this tick; otherwise the voice keeps filtering as it did.
// clearHistory starts a filter from silence.
void setUpFilter(ChannelState& channel, bool clearHistory, int envelope, bool noteStarts) {
    if (channel.filterResonance == 0 && channel.filterCutoff * (envelope + 256) / 256 >= 254) {
        if (noteStarts) channel.voiceFilter.on = false;
        return;
    }
    channel.clearFilterHistory = channel.clearFilterHistory || clearHistory;
    channel.voiceFilter = VoiceFilter{true, channel.filterCutoff, channel.filterResonance, envelope};
}

}  // namespace

// In IT's order: a starting note's filter (the instrument's values, else
// the channel's), this tick's Zxx, then the filter envelope.
void Sequencer::updateFilter(ChannelState& channel) const {
    const bool noteStarts = channel.noteOn && channel.hasSample();
    if (noteStarts) {
        const Instrument* instrument = song_.findInstrument(channel.instrument);
        if (instrument && instrument->filterCutoff >= 0) channel.filterCutoff = instrument->filterCutoff;
        if (instrument && instrument->filterResonance >= 0)
            channel.filterResonance = instrument->filterResonance;
        channel.voiceFilter.on = false;
        setUpFilter(channel, true, 256, true);
    }
    if (channel.macroCutoff >= 0 || channel.macroResonance >= 0) {
        if (channel.macroCutoff >= 0) channel.filterCutoff = channel.macroCutoff;
        if (channel.macroResonance >= 0) channel.filterResonance = channel.macroResonance;
        channel.macroCutoff = channel.macroResonance = -1;
        setUpFilter(channel, !channel.voiceFilter.on, 256, noteStarts);
    }
    if (channel.pitchEnvelope.enabled() && channel.pitchEnvelope.envelope->filters)
        setUpFilter(channel, !channel.voiceFilter.on, channel.pitchEnvelope.value(), noteStarts);
}

namespace {

// The volume envelope's value, 64 without one; after S77 the one it had.
int envelopeVolume(const ChannelState& channel) {
    const EnvelopeRun& run = channel.volumeEnvelope;
    if (run.enabled()) return run.value();
    return run.switched == EnvelopeRun::Switch::off ? channel.heldEnvelopeVolume : 64;
}

}  // namespace

int Sequencer::voiceVolume(const ChannelState& channel) const {
    const PlaybackState& s = state_;
    int64_t v;
    if (isSongFormat(song_, SongFormat::dmf)) {
        v = (int64_t(channel.outputVolume >> s.dmfShift) * s.globalVolume * s.masterVolume) >> 12;
    } else {
        int e = envelopeVolume(channel);
        if (isSongFormat(song_, SongFormat::it)) {
            v = (int64_t((e * channel.outputVolume) >> 2) * channel.fade) >> 16;
            v = (v * s.globalVolume) >> 8;
            v = (v * channel.sampleGlobalVolume) >> 6;
            v = (v * channel.instrumentGlobalVolume) >> 7;
            v = (v * channel.channelVolume) >> 6;
        } else {
            v = ((int64_t((e * channel.outputVolume) >> 3) * channel.fade) >> 16) * s.globalVolume >> 7;
        }
        v = v * s.masterVolume / std::max(s.maxVolume, 1);
    }
    return clampValue(static_cast<int>(v >> 3), 0, 511);
}

int Sequencer::voicePanning(const ChannelState& channel) const {
    int p = channel.panning;
    if (isSongFormat(song_, SongFormat::it)) {
        int panning = p * 4 + channel.panbrelloOffset;
        if (channel.panningEnvelope.enabled()) {
            int e = channel.panningEnvelope.value();
            panning += ((32 - std::abs(p - 32)) * e >> 3) & ~3;
        }
        return clampValue(panning, 0, 255);
    }
    if (isSongFormat(song_, SongFormat::dmf)) return clampValue(p >> state_.dmfShift, 0, 255);
    if (channel.panningEnvelope.enabled()) {
        int e = channel.panningEnvelope.value();
        p += (128 - std::abs(p - 128)) * (e - 32) / 32;
    }
    return clampValue(p, 0, 255);
}

void Sequencer::sendToVoices() {
    for (int index = 0; index < song_.channelCount; ++index) {
        ChannelState& channel = state_.channels[static_cast<size_t>(index)];
        if (channel.stopVoice) {
            voices_.stopVoice(index);
            channel.stopVoice = false;
        }
        int panning = voicePanning(channel);
        if (noteStarting_[static_cast<size_t>(index)]) {
            if (channel.noteOn) leaveNotes(index);
            noteStarting_[static_cast<size_t>(index)] = false;
            leavingNotes_[static_cast<size_t>(index)].reset();
        }
        if (channel.pastNoteAction >= 0) {
            actOnPastNotes(index, channel.pastNoteAction);
            channel.pastNoteAction = -1;
        }
        if (channel.noteOn) {
            channel.noteOn = false;
            if (!channel.hasSample()) {
                // IT: a note on a sample without data silences the channel.
                if (isSongFormat(song_, SongFormat::it)) voices_.stopVoice(index);
                continue;
            }
            int32_t loopEnd = std::min(channel.loopEnd, channel.length);
            voices_.stopVoice(index);
            sendFilter(index, channel);
            voices_.setVolume(index, voiceVolume(channel));
            voices_.setPanning(index, panning);
            voices_.setFrequency(index, channel.frequency);
            voices_.startVoice(index, channel.data, channel.startOffset, channel.length, channel.loopStart,
                               loopEnd, channel.flags);
            channel.lastPanningSent = panning;
            continue;
        }
        sendFilter(index, channel);
        voices_.setVolume(index, voiceVolume(channel));
        if (panning != channel.lastPanningSent) {
            voices_.setPanning(index, panning);
            channel.lastPanningSent = panning;
        }
        voices_.setFrequency(index, channel.frequency);
    }
    sendBackgroundNotes();
}

// S70 .. S72: the notes the channel left sounding are cut, released or
// faded out.
void Sequencer::actOnPastNotes(int index, int action) {
    for (BackgroundNote& note : state_.background) {
        if (!note.active || note.channelIndex != index) continue;
        if (action == kPastNotesOff) {
            releaseNote(song_, note.channel);
        } else {
            note.channel.fading = true;
            if (action == kPastNotesCut) note.channel.fade = 0;
        }
    }
}

// Only IT songs filter; the others' voices never hear of it.
void Sequencer::sendFilter(int voice, ChannelState& channel) {
    if (!isSongFormat(song_, SongFormat::it)) return;
    voices_.setFilter(voice, channel.voiceFilter, channel.clearFilterHistory);
    channel.clearFilterHistory = false;
}

void Sequencer::sendBackgroundNotes() {
    for (int slot = 0; slot < kBackgroundNotes; ++slot) {
        BackgroundNote& note = state_.background[static_cast<size_t>(slot)];
        if (!note.active) continue;
        const int voice = kMaxChannels + slot;
        // A note ends when it has faded out or its sample has run out.
        if (!voices_.voicePlaying(voice) || (note.channel.fading && note.channel.fade == 0)) {
            voices_.stopVoice(voice);
            note.active = false;
            continue;
        }
        sendFilter(voice, note.channel);
        voices_.setVolume(voice, voiceVolume(note.channel));
        voices_.setPanning(voice, voicePanning(note.channel));
        voices_.setFrequency(voice, note.channel.frequency);
    }
}

void Sequencer::stopBackgroundNotes() {
    for (int slot = 0; slot < kBackgroundNotes; ++slot) {
        voices_.stopVoice(kMaxChannels + slot);
        state_.background[static_cast<size_t>(slot)].active = false;
    }
    noteStarting_.fill(false);
    leavingNotes_.fill(std::nullopt);
}

void Sequencer::jumpTo(const RowTime& entry, uint32_t index) {
    PlaybackState& s = state_;
    for (int voice = 0; voice < kMaxChannels; ++voice) {
        ChannelState& channel = s.channels[static_cast<size_t>(voice)];
        voices_.stopVoice(voice);
        channel.outputVolume = 0;
        channel.noteOn = false;
        channel.stopVoice = false;
    }
    stopBackgroundNotes();
    s.globalVolume = entry.globalVolume;
    s.speed = entry.speed;
    s.tempo = entry.tempo;
    s.startDelay = 0;
    s.songEnded = false;
    s.patternDelay = 0;
    s.pendingPatternDelay = 0;
    s.fineRowDelay = 0;
    // The table keeps the loop of the channel whose loop command ran last.
    s.loops.fill(PatternLoop{});
    s.loopChannel = entry.loopChannel;
    if (entry.loopChannel < kMaxChannels)
        s.loops[isSongFormat(song_, SongFormat::s3m) ? 0 : entry.loopChannel] =
            PatternLoop{entry.loopStartRow, entry.loopCounter};
    // The next tick reads the entry's own row; it stays in its order, so the
    // loop state the entry carries survives the move.
    s.order = entry.order;
    s.row = entry.row;
    s.tick = s.speed;
    s.pendingChange = OrderChange::none;
    s.changeIsJump = false;
    s.loopTarget = entry.row;
    pattern_ = entry.order < song_.length ? song_.findPattern(song_.orders[entry.order]) : nullptr;
    s.rowCount = pattern_ ? pattern_->rows : kDefaultRows;
    rowsPlayed_ = index;
    publishPosition();
}

void Sequencer::jumpToOrder(int order) {
    RowTime entry{};
    entry.speed = static_cast<uint8_t>(song_.initialSpeed);
    entry.tempo = static_cast<uint8_t>(song_.initialTempo);
    entry.globalVolume = static_cast<uint8_t>(song_.initialGlobalVolume);
    entry.loopChannel = 255;
    jumpTo(entry, 0);
    // Entering from the order before skips markers like any move forward.
    state_.order = order - 1;
    state_.loopTarget = -1;
    state_.pendingChange = OrderChange::next;
    state_.pendingStartRow = 0;
}

void Sequencer::publishPosition() {
    const PlaybackState& s = state_;
    if (s.songEnded) {
        published_.store(kSongOver, std::memory_order_relaxed);
        return;
    }
    uint32_t order = static_cast<uint32_t>(std::clamp(s.order, 0, 0xFFFF));
    uint32_t row = static_cast<uint32_t>(std::clamp(s.row, 0, 0xFFFF));
    publishedRows_.store(rowsPlayed_, std::memory_order_relaxed);
    published_.store(order << 16 | row, std::memory_order_relaxed);
}

}  // namespace tumbor::trk
