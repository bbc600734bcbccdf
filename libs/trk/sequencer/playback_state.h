// What the sequencer keeps while a song plays: the song-wide state (order,
// row, tick, speed, tempo, volumes, pending changes) and one record a
// channel. The effect commands read and change both.
#pragma once

#include <array>
#include <cstdint>

#include "libs/trk/mixer/sound_driver.h"
#include "libs/trk/model/song.h"
#include "libs/trk/sequencer/auto_vibrato.h"
#include "libs/trk/sequencer/pitch.h"

namespace tumbor::trk {

constexpr int kMaxCellSize = 9;

// An envelope as one channel runs it.
struct EnvelopeRun {
    const Envelope* envelope = nullptr;  // the song's; null for none
    int position = 0;                    // ticks
    bool sustainHeld = false;            // until key off
    // IT's S77 .. S7C turn a note's envelope off or on, whatever the
    // instrument says.
    enum class Switch : uint8_t { asStored, off, on };
    Switch switched = Switch::asStored;

    bool enabled() const {
        if (!envelope) return false;
        return switched == Switch::asStored ? envelope->enabled : switched == Switch::on;
    }
    int value() const;
};

struct ChannelState {
    // The playing sample's fields, copied at note start.
    const uint8_t* data = nullptr;
    int32_t length = 0;
    int c4Speed = 0;
    uint32_t flags = 0;
    int32_t loopStart = 0;
    int32_t loopEnd = 0;
    int decimationShift = 0;
    int fineTune = 0;

    // This row's cell, copied when the row is read.
    std::array<uint8_t, kMaxCellSize> cell{};

    bool noteOn = false;     // start the voice at the end of this tick
    bool sounding = false;   // IT: the voice still played when this tick began
    bool stopVoice = false;  // stop it (note cut) at the end of this tick
    bool noteCut = false;    // IT, S3M: the last note was cut, not ended by itself
    int32_t startOffset = 0;
    int32_t previousNoteOffset = 0;  // Scream Tracker 3, ProTracker: where a note without an instrument number starts

    int volume = 0;  // the row's base volume, 0 .. the song's maximum
    int outputVolume = 0;
    int channelVolume = 64;  // IT
    int panning = 128;
    int lastPanningSent = -1;

    int instrument = 0;
    int sample = 0;
    int lastNote = 0;
    int noteTranspose = 0;
    int arpeggioNote = 0;
    bool arpeggioOnRowBefore = false;  // Scream Tracker 3 slides on from its last note

    int32_t basePeriod = 0;
    int32_t outputPeriod = 0;
    int32_t periodBeforeNote = 0;  // what a tone portamento slides from
    bool portamentoNewSample = false;  // IT: the slide's note brought another sample, started at once
    int32_t frequency = 0;

    // Parameter memories, named after what they remember.
    int portamentoSpeed = 0;
    int portamentoUpSpeed = 0;    // XM: 1xx's own memory
    int portamentoDownSpeed = 0;  // XM: 2xx's own memory
    int tonePortamentoSpeed = 0;
    int32_t tonePortamentoTarget = 0;
    int volumeSlide = 0;
    int finePortamentoUp = 0;
    int finePortamentoDown = 0;
    int extraFinePortamentoUp = 0;
    int extraFinePortamentoDown = 0;
    int fineVolumeSlide = 0;  // high nibble up, low nibble down
    int volumeColumn = 0;
    int panningSlide = 0;
    int channelVolumeSlide = 0;
    int globalVolumeSlide = 0;
    int tempoParameter = 0;
    int32_t sampleOffset = 0;
    int sampleOffsetParameter = 0;  // IT: the last Oxx, which O00 repeats
    int sampleOffsetHigh = 0;       // IT: SAx, 64 Ki-point units of the next offsets
    int sharedParameter = 0;        // S3M: every command's last non-zero parameter
    int arpeggio = 0;               // the last arpeggio, which IT's J00 plays again

    int vibratoPosition = 0;
    int vibratoSpeed = 0;
    int vibratoDepth = 0;  // in quarters: fine vibrato sets 1 a step, vibrato 4
    int tremoloPosition = 0;
    int tremoloSpeed = 0;
    int tremoloDepth = 0;
    int waveControl = 0;      // low nibble vibrato, high nibble tremolo waveform
    bool glissando = false;   // tone portamento heard in semitones
    // IT panbrello: its position, speed, depth and waveform, and the offset
    // (0 .. 256 scale) it leaves on the panning until a note or a set panning.
    int panbrelloPosition = 0;
    int panbrelloSpeed = 0;
    int panbrelloDepth = 0;
    int panbrelloWaveform = 0;
    int panbrelloOffset = 0;
    int panbrelloHeld = 0;  // the random waveform's value, held for speed ticks
    // IT: the panning before the note's pitch-pan separation moved it, which
    // the next note starts from again; -1 none.
    int panningBeforeSeparation = -1;
    AutoVibrato autoVibrato;  // XM, IT

    int retriggerInterval = 0;
    int retriggerVolumeChange = 0;
    int retriggerCounter = 0;
    int retriggerParameter = 0;  // XM: the last non-zero nibbles
    int tremorCounter = 0;
    // XM tremor: once a tremor has run it keeps muting its off phase, on
    // any row, until an instrument number; the first step after one is free.
    int tremorParameter = 0;
    bool tremorRunning = false;
    bool tremorOn = false;
    bool tremorFresh = false;

    bool periodChanged = false;
    bool volumeChanged = false;

    // Envelopes (XM, MDL, IT), key off and fade.
    EnvelopeRun volumeEnvelope;
    EnvelopeRun panningEnvelope;
    bool keyOff = false;
    bool fading = false;
    int fade = 65536;
    int fadeoutRate = 0;
    int sampleGlobalVolume = 64;                       // IT
    int instrumentGlobalVolume = 128;                  // IT
    NewNoteAction newNoteAction = NewNoteAction::cut;  // IT: the playing note's instrument's
    EnvelopeRun pitchEnvelope;                         // IT: bends the pitch, or scales the cutoff
    int heldEnvelopeVolume = 64;                       // IT: the volume an S77 keeps
    int pastNoteAction = -1;  // IT: S70 .. S72 for the channel's earlier notes this tick; -1 none

    // IT's resonant filter: the channel's cutoff and resonance 0 .. 127,
    // what a Zxx asked for this tick (-1 nothing), the macro SFx chose, and
    // what the voice filters with.
    int filterCutoff = 127;
    int filterResonance = 0;
    int macroCutoff = -1;
    int macroResonance = -1;
    int activeMacro = 0;
    VoiceFilter voiceFilter;
    bool clearFilterHistory = false;

    bool hasSample() const { return data != nullptr && length > 0; }
};

// A note its channel left sounding when it started the next one (IT's
// new-note actions), on a voice of its own until it fades out or runs out.
struct BackgroundNote {
    bool active = false;
    int channelIndex = 0;  // the channel it left
    ChannelState channel;
};
constexpr int kBackgroundNotes = 32;

// Pending changes of the order, as the row advance carries them out.
enum class OrderChange : uint8_t { none = 0, back = 1, stay = 2, next = 3 };

// One pattern loop: the row it goes back to and the passes still to go.
struct PatternLoop {
    int startRow = 0;
    int counter = 0;
};

struct PlaybackState {
    int order = 0;
    int row = 0;
    int tick = 0;  // within the row; 0 is the first tick
    int speed = 6;
    int tempo = 125;
    int globalVolume = 255;
    int masterVolume = 255;
    int maxVolume = 64;

    OrderChange pendingChange = OrderChange::none;
    int pendingStartRow = 0;
    bool changeIsJump = false;  // the pending change comes from a position jump
    int jumpOrder = 0;          // ... to this order

    int patternDelay = 0;  // rows still to repeat
    int pendingPatternDelay = 0;
    int fineRowDelay = 0;  // IT S6x: ticks this row runs past the speed
    uint32_t random = 1;   // the random waveforms' generator, so a song plays the same each time

    // Pattern loops: each channel keeps its own start row and counter
    // (Scream Tracker 3 one for the whole song, the first channel's).
    std::array<PatternLoop, kMaxChannels> loops{};
    int loopChannel = 255;  // the channel whose loop command ran last; 255 none
    int loopTarget = -1;    // the row to go back to at the next advance; -1 none

    int32_t minPeriod = 50;
    int32_t maxPeriod = 55000;
    bool periodLimitsHoldBase = false;  // the slides' period is held at the limits too
    int startDelay = 7;
    bool songEnded = false;

    // DMF timing.
    bool ticksPerSecondMode = false;
    int ticksPerSecond = 32;
    int beat = 4;
    int dmfShift = 2;

    PitchRule pitchRule = PitchRule::amiga;
    int rowCount = kDefaultRows;  // rows of the current pattern

    std::array<ChannelState, kMaxChannels> channels;
    // Note k sounds on voice kMaxChannels + k.
    std::array<BackgroundNote, kBackgroundNotes> background;
};

}  // namespace tumbor::trk
