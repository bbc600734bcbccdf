// The effect commands: every loader translates its format's commands into
// these internal codes, and the tick applies them channel by channel.
#pragma once

#include <cstdint>

#include "libs/trk/model/song.h"
#include "libs/trk/sequencer/playback_state.h"

namespace tumbor::trk {

// The internal effect codes, as loaders store them in a cell's effect byte.
enum EffectCode : uint8_t {
    kArpeggio = 0,
    kPortamentoUp = 1,
    kPortamentoDown = 2,
    kTonePortamento = 3,
    kVibrato = 4,
    kTonePortamentoVolumeSlide = 5,
    kVibratoVolumeSlide = 6,
    kTremolo = 7,
    kNoEffect8 = 8,
    kSampleOffset = 9,
    kVolumeSlide = 10,
    kPositionJump = 11,
    kSetVolume = 12,
    kPatternBreak = 13,
    kExtended = 14,
    kSpeedTempo = 15,
    kSetSpeed = 16,
    kFineVolumeSlide = 17,
    kFinePortamentoDown = 18,
    kFinePortamentoUp = 19,
    kTremor = 20,
    kRetriggerVolume = 21,
    kSetTempo = 22,
    kVibratoFineVolumeSlide = 23,
    kTonePortamentoFineVolumeSlide = 24,
    kKeyOff = 25,
    kSetGlobalVolume = 26,
    kGlobalVolumeSlideUp = 27,
    kGlobalVolumeSlideDown = 28,
    kVolumeSlideUpTwoRange = 29,
    kVolumeSlideDownTwoRange = 30,
    kNoEffect31 = 31,
    kSetEnvelopePosition = 32,
    kSampleOffsetLong = 33,
    kPortamentoUpTwoRange = 34,
    kPortamentoDownTwoRange = 35,
    kSetPanning = 36,
    kPanningSlideLeft = 37,
    kPanningSlideRight = 38,
    kRetrigger = 39,
    kNoEffect40 = 40,
    kTempoSlide = 41,
    kSetChannelVolume = 42,
    kChannelVolumeSlide = 43,
    kExtraFinePortamento = 44,
    kLinearPortamentoDown = 45,
    kLinearPortamentoUp = 46,
    kLinearTonePortamento = 47,
    kLinearVibrato = 48,
    kLinearVibratoVolumeSlide = 49,
    kLinearTonePortamentoVolumeSlide = 50,
    kGlobalVolumeSlide = 51,
    kXmGlobalVolumeSlide = 52,
    kMidiMacro = 53,          // IT Zxx: the filter messages of the channel's or a fixed macro
    kNoteActionCommand = 54,  // IT S7x: past notes, new-note action, envelopes on and off
    kSelectMacro = 55,        // IT SFx: the macro Z00 .. Z7F run
    kArpeggioAgain = 56,      // IT and S3M J00: the last arpeggio (S3M: the last parameter)
    kSampleOffsetHigh = 57,   // IT SAx: 64 KiB units added to the sample offsets that follow
    kFinePatternDelay = 58,   // IT S6x: the row lasts x ticks longer
    kPanningSlide = 59,       // XM and IT Pxy, each with its own direction rule
    kFineVibrato = 60,        // IT and S3M Uxy: vibrato a quarter as deep
    kPanbrello = 61,          // IT Yxy: vibrato of the panning
    kPanbrelloWaveform = 62,  // IT S5x
    kEffectCodeCount = 63,
};

// kNoteActionCommand's parameters.
enum NoteActionCommand : uint8_t {
    kPastNotesCut = 0,
    kPastNotesOff = 1,
    kPastNotesFade = 2,
    kNewNoteCut = 3,
    kNewNoteContinue = 4,
    kNewNoteOff = 5,
    kNewNoteFade = 6,
    kVolumeEnvelopeOff = 7,
    kVolumeEnvelopeOn = 8,
    kPanningEnvelopeOff = 9,
    kPanningEnvelopeOn = 10,
    kPitchEnvelopeOff = 11,
    kPitchEnvelopeOn = 12,
};

// Sub-commands of kExtended, by the parameter's high nibble.
enum ExtendedCommand : uint8_t {
    kFinePortamentoUpStep = 1,
    kFinePortamentoDownStep = 2,
    kGlissando = 3,
    kVibratoWaveform = 4,
    kSetFineTune = 5,
    kPatternLoop = 6,
    kTremoloWaveform = 7,
    kPanningStep = 8,
    kRetriggerEvery = 9,
    kFineVolumeUp = 10,
    kFineVolumeDown = 11,
    kNoteCutAt = 12,
    kNoteDelay = 13,
    kPatternDelay = 14,
};

// Commands of the per-pattern global track (DMF, and 669's speeds).
enum GlobalTrackCommand : uint8_t {
    kTicksPerSecondTiming = 1,
    kBeatTiming = 2,
    kSetBeat = 3,
    kGlobalPatternDelay = 4,
    kTimingUp = 6,
    kTimingDown = 7,
    kGlobalSpeedTempo = 8,
};

struct EffectContext {
    const Song& song;
    PlaybackState& state;
};

// The volume column and the cell's effects for the current tick.
void applyChannelEffects(EffectContext& context, ChannelState& channel, int channelIndex);
// Only the cell's effects on the song's timing and global volume: speed,
// tempo, pattern delay and global volume; what a silent run through the
// song needs.
void applyTimingEffects(EffectContext& context, ChannelState& channel);
// Position jump, pattern break and pattern loop of one channel, after every
// channel's own effects.
void applyGlobalEffects(EffectContext& context, ChannelState& channel, int channelIndex);
// One row of the current pattern's global track.
void applyGlobalTrack(EffectContext& context, int command, int argument, int patternBeat);

// True for the codes that slide to this row's note instead of starting it.
bool isTonePortamento(int code);
// The tick on which a cell's note, instrument and set volume take effect:
// its note delay's, else the row's first.
int noteTickOf(const Song& song, const uint8_t* cell);
// Whether a cell slides to its note: by its effect, or XM's volume column.
bool slidesToNote(const Song& song, const uint8_t* cell);

// XM volume-column bytes from here on are tone portamento (Mx).
constexpr uint8_t kXmVolumeTonePortamento = 0xF0;
// IT volume-column tone portamento (10 speeds) and vibrato depth (0 .. 9).
constexpr uint8_t kItVolumeTonePortamento = 193;
constexpr uint8_t kItVolumeVibrato = 203;

}  // namespace tumbor::trk
