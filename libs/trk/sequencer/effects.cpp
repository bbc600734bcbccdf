// The effect commands, one small function a code, reached from one table.
// "First tick" is tick 0 of a row; "other ticks" are the rest.
#include "libs/trk/sequencer/effects.h"

#include <algorithm>
#include <cstdint>

#include "libs/trk/sequencer/pitch.h"
#include "libs/trk/sequencer/sequencer.h"

namespace tumbor::trk {
namespace {

struct Effect {
    EffectContext& context;
    ChannelState& channel;
    int parameter;

    PlaybackState& state() const { return context.state; }
    const Song& song() const { return context.song; }
    bool firstTick() const { return context.state.tick == 0; }
    // The tick the cell's note and set volume take effect on: a note delay's.
    bool noteTick() const { return context.state.tick == noteTickOf(context.song, channel.cell.data()); }
    int x() const { return parameter >> 4; }
    int y() const { return parameter & 15; }
    bool is(SongFormat format) const { return context.song.format == format; }
};

using EffectFunction = void (*)(Effect&);

int clampInt(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

// A non-zero parameter is remembered; zero takes the remembered one.
int remembered(int& memory, int parameter) {
    if (parameter) memory = parameter;
    return memory;
}

void addVolume(Effect& e, int amount) {
    e.channel.volume = clampInt(e.channel.volume + amount, 0, e.state().maxVolume);
}

// The period of a note on the channel's sample, as a note start computes it.
int32_t periodOfNote(Effect& e, int note) {
    ChannelState& c = e.channel;
    // XM's note 120 is C-0, and arpeggios count up from it.
    if (e.is(SongFormat::xm) && note >= 120) note -= 120;
    int transposed = note + c.noteTranspose;
    if (e.is(SongFormat::xm) && transposed > 119) transposed = 119;
    return noteToPeriod(e.state().pitchRule, e.is(SongFormat::it), transposed, c.c4Speed, c.fineTune);
}

// ---- shared movements -------------------------------------------------------

// Volume slide with fine forms (codes 17, 23, 24, 49, 50).
void fineVolumeSlide(Effect& e) {
    int p = remembered(e.channel.volumeSlide, e.parameter);
    int x = p >> 4, y = p & 15;
    bool slideTick = !e.firstTick() || e.song().fastSlides;
    if (y == 15 && x) {
        if (e.firstTick()) addVolume(e, x);
    } else if (x == 15 && y) {
        if (e.firstTick()) addVolume(e, -y);
    } else if (x == 0) {
        if (slideTick || y == 15) addVolume(e, -y);  // D0F slides on the first tick too
    } else if (y == 0) {
        if (slideTick || x == 15) addVolume(e, x);  // and DF0
    } else if (!e.is(SongFormat::it)) {
        if (slideTick) addVolume(e, -y);  // both nibbles: down, IT ignores it
    }
}

// Plain volume slide (codes 5, 6, 10): other ticks only. XM remembers the
// last non-zero parameter for all three.
void plainVolumeSlide(Effect& e, int p) {
    if (e.is(SongFormat::xm)) p = remembered(e.channel.volumeSlide, p);
    if (e.firstTick() || p == 0) return;
    int x = p >> 4, y = p & 15;
    if (e.is(SongFormat::xm)) {
        addVolume(e, p < 16 ? -y : x);
    } else if (x == 0 || y == 0) {
        addVolume(e, x - y);
    }
}

void slideToTarget(Effect& e, int32_t speed) {
    ChannelState& c = e.channel;
    if (c.tonePortamentoTarget == 0) return;
    if (c.basePeriod < c.tonePortamentoTarget)
        c.basePeriod = std::min(c.basePeriod + speed, c.tonePortamentoTarget);
    else if (c.basePeriod > c.tonePortamentoTarget)
        c.basePeriod = std::max(c.basePeriod - speed, c.tonePortamentoTarget);
}

// This row's note becomes the target instead of starting.
void takeNoteAsTarget(Effect& e) {
    ChannelState& c = e.channel;
    if (!e.firstTick() || !c.noteOn) return;
    c.tonePortamentoTarget = c.basePeriod;
    // IT starts a note whose channel has fallen silent.
    if (e.is(SongFormat::it) && !c.sounding) return;
    c.basePeriod = c.periodBeforeNote;
    c.outputPeriod = c.basePeriod;
    // When the old sample has stopped, ProTracker starts the sample again
    // (Scream Tracker 3 only with an instrument number); it slides from the old pitch.
    if (!c.sounding && (e.is(SongFormat::mod) || (e.is(SongFormat::s3m) && c.cell[kCellInstrument]))) return;
    // IT starts the new sample of a slide onto another one.
    c.noteOn = c.portamentoNewSample;
    c.portamentoNewSample = false;
}

// The note a slid period is heard as: the nearest note not below it (XM's
// linear slides: the nearest note); -1 when no note is.
int noteAtPeriod(Effect& e, int32_t slid) {
    // Under IT's linear slides the period is a frequency.
    const bool frequency = e.is(SongFormat::it) && e.song().linearFrequencies;
    const bool nearest = e.is(SongFormat::xm) && e.song().linearFrequencies;
    int heard = -1;
    int64_t distance = INT64_MAX;
    for (int note = 0; note <= 119; ++note) {
        const int32_t period = periodOfNote(e, note);
        int64_t above = frequency ? int64_t{period} - slid : int64_t{slid} - period;
        if (nearest && above < 0) above = -above;
        if (above >= 0 && above < distance) {
            distance = above;
            heard = note;
        }
    }
    return heard;
}

// Glissando: the slide is heard a semitone at a time.
void heardInSemitones(Effect& e) {
    ChannelState& c = e.channel;
    if (!c.glissando || c.tonePortamentoTarget == 0) return;
    const int note = noteAtPeriod(e, c.basePeriod);
    c.outputPeriod = note >= 0 ? periodOfNote(e, note) : c.basePeriod;
    c.periodChanged = true;
}

void tonePortamento(Effect& e) {
    takeNoteAsTarget(e);
    if (!e.firstTick()) slideToTarget(e, e.channel.tonePortamentoSpeed);
    heardInSemitones(e);
}

// Linear tone portamento (codes 47, 50): the period is a frequency, moved by
// IT's slide ratios.
void linearTonePortamento(Effect& e) {
    takeNoteAsTarget(e);
    ChannelState& c = e.channel;
    if (!e.firstTick() && c.tonePortamentoTarget != 0) {
        int speed = std::min(c.tonePortamentoSpeed, 256);
        if (c.basePeriod < c.tonePortamentoTarget)
            c.basePeriod = std::min(scalePeriod(c.basePeriod, kSlideUp192[speed]), c.tonePortamentoTarget);
        else if (c.basePeriod > c.tonePortamentoTarget)
            c.basePeriod = std::max(scalePeriod(c.basePeriod, kSlideDown192[speed]), c.tonePortamentoTarget);
    }
    heardInSemitones(e);
}

// The signed waveform value (-255 .. 255) at a vibrato or tremolo position
// (0 .. 255): sine, ramp, square or random. Scream Tracker's ramp runs the
// other way; the random one is a fixed scramble of the position, so a song
// plays the same each time.
int waveformValue(const Effect& e, int waveform, int position) {
    int step = (position >> 2) & 31;
    int magnitude;
    switch (waveform & 3) {
        case 1:
            magnitude = position >= 128 ? 255 - step * 8 : step * 8;
            if (e.is(SongFormat::s3m)) magnitude = -magnitude;
            break;
        case 2:
            magnitude = 255;
            break;
        case 3:
            return static_cast<int>(((position >> 2) * 0x9E3779B1u) >> 23 & 511) - 256;
        default:
            magnitude = kVibratoSine[step];
    }
    return position < 128 ? magnitude : -magnitude;
}

// IT's own waveforms: the sine, a single ramp falling from full to minus
// full over the cycle, and a square of full and nothing.
int itWaveformValue(const Effect& e, int waveform, int position) {
    switch (waveform & 3) {
        case 1:
            return std::min((128 - position) * 2, 255);
        case 2:
            return position < 128 ? 255 : 0;
        default:
            return waveformValue(e, waveform, position);
    }
}

// MOD and XM tremolo's ramp takes its direction from the vibrato position,
// as both trackers' code has it.
int tremoloValue(const Effect& e, const ChannelState& c) {
    int waveform = c.waveControl >> 4;
    if (e.is(SongFormat::it)) return itWaveformValue(e, waveform, c.tremoloPosition);
    if ((waveform & 3) != 1 || !(e.is(SongFormat::mod) || e.is(SongFormat::xm)))
        return waveformValue(e, waveform, c.tremoloPosition);
    int ramp = ((c.tremoloPosition >> 2) & 31) * 8;
    if (c.vibratoPosition >= 128) ramp = 255 - ramp;
    return c.tremoloPosition < 128 ? ramp : -ramp;
}

// ProTracker neither applies nor advances vibrato and tremolo on a row's
// first tick.
bool protrackerFirstTick(const Effect& e) { return e.song().protrackerRules && e.firstTick(); }

// IT moves the position before reading it, on every tick, and a positive
// value raises the pitch; depth counts 1/64 semitones under linear slides.
// Old effects double the depth, lower the pitch first and hold the
// position on a row's first tick.
void itVibrato(Effect& e) {
    ChannelState& c = e.channel;
    const bool old = e.song().itOldEffects;
    if (!old || !e.firstTick()) c.vibratoPosition = (c.vibratoPosition + c.vibratoSpeed) & 255;
    int value = itWaveformValue(e, c.waveControl, c.vibratoPosition);
    if (old) value = -value;
    const int delta = ((value < 0 ? -value : value) * c.vibratoDepth) >> (old ? 7 : 8);
    // A vibrato in both columns moves on twice and swings twice as far.
    int32_t period = c.basePeriod;
    for (int swing = c.periodChanged ? 2 : 1; swing > 0; --swing) {
        if (e.song().linearFrequencies) {
            const bool up = value > 0;
            period = scalePeriod(scalePeriod(period, (up ? kSlideUp192 : kSlideDown192)[delta >> 2]),
                                 (up ? kSlideUp768 : kSlideDown768)[delta & 3]);
        } else {
            period += value > 0 ? -delta : delta;
        }
    }
    c.outputPeriod = period;
    c.periodChanged = true;
}

void vibrato(Effect& e) {
    if (e.is(SongFormat::it)) return itVibrato(e);
    if (protrackerFirstTick(e)) return;
    ChannelState& c = e.channel;
    int value = waveformValue(e, c.waveControl, c.vibratoPosition);
    int delta = (c.vibratoDepth * (value < 0 ? -value : value)) >> 7;
    if (!e.is(SongFormat::s3m) && !e.is(SongFormat::xm)) delta &= ~3;  // whole Amiga periods
    c.outputPeriod = c.basePeriod + (value < 0 ? -delta : delta);
    c.periodChanged = true;
    if (!e.firstTick()) c.vibratoPosition = (c.vibratoPosition + c.vibratoSpeed) & 255;
}

// IT's tremolo is half as deep and moves on the first tick too.
void tremolo(Effect& e) {
    if (protrackerFirstTick(e)) return;
    ChannelState& c = e.channel;
    const bool it = e.is(SongFormat::it);
    int value = tremoloValue(e, c);
    int delta = ((value < 0 ? -value : value) * c.tremoloDepth) >> (it ? 7 : 6);
    c.outputVolume = clampInt(c.volume + (value < 0 ? -delta : delta), 0, e.state().maxVolume);
    c.volumeChanged = true;
    if (!e.firstTick() || it) c.tremoloPosition = (c.tremoloPosition + c.tremoloSpeed) & 255;
}

int retriggerVolume(int volume, int change) {
    static const int kSteps[16] = {0, -1, -2, -4, -8, -16, 0, 0, 0, 1, 2, 4, 8, 16, 0, 0};
    switch (change) {
        case 6:  // 10/16, as the reference player has it, not 2/3
            volume = volume * 10 / 16;
            break;
        case 7:
            volume /= 2;
            break;
        case 14:
            volume = volume * 3 / 2;
            break;
        case 15:
            volume *= 2;
            break;
        default:
            volume += kSteps[change & 15];
    }
    return clampInt(volume, 0, 64);
}

// IT retriggers only a voice that still plays.
void retrigger(Effect& e) {
    if (e.is(SongFormat::it) && !e.channel.sounding && !e.channel.noteOn) return;
    if (e.channel.hasSample()) e.channel.noteOn = true;
}

// An offset at or past the sample's end (a looped one's loop end): MOD
// and IT under old effects play from the loop start, S3M wraps it into the
// loop, IT starts from the beginning; XM, an S3M sample without a loop and
// the other formats stop the note (a start at the end).
void setSampleOffset(Effect& e, int32_t offset) {
    ChannelState& c = e.channel;
    if (offset) c.sampleOffset = offset;
    int32_t start = c.sampleOffset;
    if (e.is(SongFormat::s3m)) c.previousNoteOffset = start;
    // ProTracker adds the offset to the note's start twice: once for this
    // note, once more for the next note without a sample number.
    if (e.song().protrackerRules) {
        c.previousNoteOffset += c.sampleOffset;
        start = c.previousNoteOffset;
        c.previousNoteOffset += c.sampleOffset;
    }
    const bool looped = (c.flags & kSampleLooped) && c.loopEnd > c.loopStart;
    const int32_t end = looped ? std::min(c.loopEnd, c.length) : c.length;
    if (start >= end) {
        if (looped && (e.is(SongFormat::mod) || (e.is(SongFormat::it) && e.song().itOldEffects)))
            start = c.loopStart;
        else if (looped && e.is(SongFormat::s3m) && end > c.loopStart)
            start = (start - c.loopStart) % (end - c.loopStart) + c.loopStart;
        else if (e.is(SongFormat::it) && !e.song().itOldEffects)
            start = 0;
        else
            start = c.length;
    }
    c.startOffset = start;
}

// ---- the codes ----------------------------------------------------------------

constexpr int kXmHighestArpeggioNote = 96;  // C-8

// Which of note, note + x and note + y a tick plays (0, 1, 2). XM plays
// the note on a row's first tick and then counts the ticks left in the row
// instead, through a table of 16 entries: from 17 left it reads y, at 16 the
// note.
int arpeggioPhase(const Effect& e) {
    if (!e.is(SongFormat::xm)) return e.state().tick % 3;
    if (e.firstTick()) return 0;
    const int left = e.state().speed - e.state().tick;
    return left > 16 ? 2 : left == 16 ? 0 : left % 3;
}

void arpeggio(Effect& e) {
    ChannelState& c = e.channel;
    if (!e.parameter) return;
    c.arpeggio = e.parameter;
    const int phase = arpeggioPhase(e);
    const int semitones = phase == 1 ? e.x() : phase == 2 ? e.y() : 0;
    if (e.is(SongFormat::it)) {
        // IT raises the sounding pitch, slides included, by 16 of its
        // 1/192-octave steps a semitone.
        const int32_t* ratios = e.song().linearFrequencies ? kSlideUp192 : kSlideDown192;
        c.outputPeriod = scalePeriod(c.basePeriod, ratios[semitones * 16]);
    } else if (e.is(SongFormat::xm)) {
        // XM plays the slid period itself, and counts the other two from
        // the note it is heard as, up to C-8 at the most.
        const int heard = phase ? noteAtPeriod(e, c.basePeriod) : -1;
        if (heard >= 0) c.arpeggioNote = std::min(heard + semitones, kXmHighestArpeggioNote - c.noteTranspose);
        c.outputPeriod = heard >= 0 ? periodOfNote(e, c.arpeggioNote) : c.basePeriod;
    } else {
        c.arpeggioNote = c.lastNote + semitones;
        // ProTracker reads on past its period table: the note above B-3 is
        // silent, the ones after it wrap 37 notes down.
        constexpr int kProtrackerHighestNote = 71;
        if (e.song().protrackerRules && c.arpeggioNote > kProtrackerHighestNote) {
            if (c.arpeggioNote == kProtrackerHighestNote + 1) {
                c.outputVolume = 0;
                c.volumeChanged = true;
                return;
            }
            c.arpeggioNote -= 37;
        }
        c.outputPeriod = periodOfNote(e, c.arpeggioNote);
        // Scream Tracker 2 keeps the pitch of the arpeggio's last tick after the effect.
        if (e.is(SongFormat::stm)) c.basePeriod = c.outputPeriod;
    }
    c.periodChanged = true;
}

// J00: IT's last arpeggio, or Scream Tracker's shared parameter.
void arpeggioAgain(Effect& e) {
    Effect again{e.context, e.channel, e.parameter ? e.parameter : e.channel.arpeggio};
    arpeggio(again);
}

// 1xx and 2xx: ProTracker slides by the parameter alone, XM remembers each
// speed apart, the others one speed for both.
void slidePeriod(Effect& e, int& xmMemory, int direction) {
    int speed = e.parameter * 4;
    if (!e.is(SongFormat::mod)) {
        int& memory = e.is(SongFormat::xm) ? xmMemory : e.channel.portamentoSpeed;
        if (speed) memory = speed;
        speed = memory;
    }
    if (!e.firstTick()) e.channel.basePeriod += direction * speed;
}

void portamentoUp(Effect& e) { slidePeriod(e, e.channel.portamentoUpSpeed, -1); }
void portamentoDown(Effect& e) { slidePeriod(e, e.channel.portamentoDownSpeed, 1); }

// IT's G shares E and F's speed memory unless the song keeps it apart.
void rememberTonePortamentoSpeed(Effect& e, int scale) {
    ChannelState& c = e.channel;
    if (e.is(SongFormat::it) && !e.song().itSeparateG)
        c.tonePortamentoSpeed = remembered(c.portamentoSpeed, e.parameter) * scale;
    else if (e.parameter)
        c.tonePortamentoSpeed = e.parameter * scale;
}

void tonePortamentoCode(Effect& e) {
    rememberTonePortamentoSpeed(e, 4);
    tonePortamento(e);
}

void vibratoCode(Effect& e) {
    if (e.y()) e.channel.vibratoDepth = e.y() * 4;
    if (e.x()) e.channel.vibratoSpeed = e.x() * 4;
    vibrato(e);
}

// Scream Tracker 3 keeps one depth for H and U, in H's units, and plays it a
// quarter as deep under U.
void fineVibrato(Effect& e) {
    ChannelState& c = e.channel;
    const bool s3m = e.is(SongFormat::s3m);
    if (e.y()) c.vibratoDepth = e.y() * (s3m ? 4 : 1);
    if (e.x()) c.vibratoSpeed = e.x() * 4;
    if (!s3m) return vibrato(e);
    const int depth = c.vibratoDepth;
    c.vibratoDepth = depth / 4;
    vibrato(e);
    c.vibratoDepth = depth;
}

void tonePortamentoVolumeSlide(Effect& e) {
    tonePortamento(e);
    plainVolumeSlide(e, e.parameter);
}

void vibratoVolumeSlide(Effect& e) {
    vibrato(e);
    plainVolumeSlide(e, e.parameter);
}

void tremoloCode(Effect& e) {
    if (e.y()) e.channel.tremoloDepth = e.y();
    if (e.x()) e.channel.tremoloSpeed = e.x() * 4;
    tremolo(e);
}

void sampleOffset(Effect& e) {
    if (!e.firstTick()) return;
    int32_t offset = e.parameter << (8 - e.channel.decimationShift);
    if (e.is(SongFormat::it)) {
        // O00 repeats the last offset; SAx gives it a high part.
        const int low = remembered(e.channel.sampleOffsetParameter, e.parameter);
        offset = (e.channel.sampleOffsetHigh << 16 | low << 8) >> e.channel.decimationShift;
        // Only the row's own note starts from the offset.
        const int note = e.channel.cell[kCellNote];
        if (note < 1 || note > kLastNote) return;
    }
    if (e.channel.flags & kSample16Bit) offset *= 2;
    // IT's offset is whole with its memories: O00 after SA0 may start at 0.
    if (e.is(SongFormat::it)) e.channel.sampleOffset = offset;
    setSampleOffset(e, offset);
}

// Every channel's S6x on a row adds its ticks.
void finePatternDelay(Effect& e) {
    if (e.firstTick()) e.state().fineRowDelay += e.parameter;
}

void sampleOffsetHigh(Effect& e) {
    if (e.firstTick()) e.channel.sampleOffsetHigh = e.parameter;
}

void volumeSlide(Effect& e) { plainVolumeSlide(e, e.parameter); }

void setVolume(Effect& e) {
    if (e.firstTick()) e.channel.volume = std::min(e.parameter, e.state().maxVolume);
}

void speedOrTempo(Effect& e) {
    if (!e.firstTick() || e.state().patternDelay || !e.parameter) return;
    // ProTracker and FastTracker take 20 as a tempo already.
    const int lowestTempo = e.is(SongFormat::mod) || e.is(SongFormat::xm) ? 32 : 33;
    if (e.parameter >= lowestTempo)
        e.state().tempo = e.parameter;
    else
        e.state().speed = e.parameter;
}

// IT's and Scream Tracker's A takes speeds up to 255: songs end on AFF to
// hold their last notes.
void setSpeed(Effect& e) {
    if (e.firstTick() && !e.state().patternDelay && e.parameter) e.state().speed = e.parameter;
}

void finePortamento(Effect& e, int& memory, int direction) {
    int p = remembered(memory, e.parameter);
    int x = p >> 4, y = p & 15;
    if (x == 15) {
        if (e.firstTick()) e.channel.basePeriod += direction * y * 4;
    } else if (x == 14) {
        if (e.firstTick()) e.channel.basePeriod += direction * y;
    } else if (!e.firstTick()) {
        e.channel.basePeriod += direction * p * 4;
    }
}

// IT's E and F share one memory.
void finePortamentoDown(Effect& e) {
    finePortamento(e, e.is(SongFormat::it) ? e.channel.portamentoSpeed : e.channel.finePortamentoDown, 1);
}
void finePortamentoUp(Effect& e) {
    finePortamento(e, e.is(SongFormat::it) ? e.channel.portamentoSpeed : e.channel.finePortamentoUp, -1);
    // Scream Tracker stops a note slid above its highest pitch (under Amiga
    // limits the period is held instead).
    if (e.is(SongFormat::s3m) && !e.song().amigaLimits && e.channel.basePeriod < e.state().minPeriod) {
        e.channel.noteOn = false;
        e.channel.stopVoice = true;
    }
}

// XM: on for x + 1 and off for y + 1 of the ticks after the first of a
// row; the phase runs on from row to row and from one tremor to the next.
void xmTremor(Effect& e) {
    ChannelState& c = e.channel;
    if (e.firstTick()) {
        remembered(c.tremorParameter, e.parameter);
        c.tremorRunning = true;
        return;
    }
    if (c.tremorFresh) {
        c.tremorFresh = false;
        c.tremorOn = false;
        c.tremorCounter = 0;
    }
    if (c.tremorCounter > 0) {
        --c.tremorCounter;
    } else {
        c.tremorOn = !c.tremorOn;
        c.tremorCounter = c.tremorOn ? c.tremorParameter >> 4 : c.tremorParameter & 15;
    }
}

void tremor(Effect& e) {
    ChannelState& c = e.channel;
    if (e.is(SongFormat::xm)) {
        xmTremor(e);
        return;
    }
    // IT and Scream Tracker 2 remember the parameter. IT, unless old effects
    // are on, counts x ticks on and y off (at least one each), not x + 1 and y + 1.
    const bool it = e.is(SongFormat::it);
    const int p = it || e.is(SongFormat::stm) ? remembered(c.tremorParameter, e.parameter) : e.parameter;
    int on = (p >> 4) + 1, off = (p & 15) + 1;
    if (it && !e.song().itOldEffects) {
        on = std::max(p >> 4, 1);
        off = std::max(p & 15, 1);
    }
    if (it) {
        // The ticks left of the phase carry on across rows and notes; the
        // first tremor starts where an off phase ends.
        if (c.tremorCounter == 0) {
            c.tremorOn = !c.tremorOn;
            c.tremorCounter = c.tremorOn ? on : off;
        }
        --c.tremorCounter;
        c.outputVolume = c.tremorOn ? c.volume : 0;
        c.volumeChanged = true;
        return;
    }
    // The count runs on across rows; past a new, shorter cycle it starts again.
    if (c.tremorCounter >= on + off) c.tremorCounter = 0;
    c.outputVolume = c.tremorCounter < on ? c.volume : 0;
    c.volumeChanged = true;
    ++c.tremorCounter;
}

void retriggerVolumeChange(Effect& e) {
    ChannelState& c = e.channel;
    if (e.y()) {
        c.retriggerInterval = e.y();
        c.retriggerVolumeChange = e.x();
    } else if (e.parameter > 15) {
        c.retriggerVolumeChange = e.x();
    }
    if (c.retriggerInterval == 0) return;
    // Scream Tracker counts the ticks since the note's instrument number or
    // the last retrigger, on the ticks it runs.
    if (e.is(SongFormat::s3m)) {
        if (c.retriggerCounter >= c.retriggerInterval) {
            // After a note cut nothing sounds again until the next note.
            if (!c.noteCut) {
                retrigger(e);
                c.volume = retriggerVolume(c.volume, c.retriggerVolumeChange);
            }
            c.retriggerCounter = 0;
        }
        ++c.retriggerCounter;
        return;
    }
    if (c.retriggerCounter == 0) {
        // IT changes the volume on a first tick too, unless a note starts there.
        const bool changesVolume = !e.firstTick() || (e.is(SongFormat::it) && !c.noteOn);
        retrigger(e);
        c.retriggerCounter = c.retriggerInterval;
        if (changesVolume) c.volume = retriggerVolume(c.volume, c.retriggerVolumeChange);
    }
    --c.retriggerCounter;
}

void setTempo(Effect& e) {
    if (e.firstTick() && !e.state().pendingPatternDelay && e.parameter > 31) e.state().tempo = e.parameter;
}

void vibratoFineVolumeSlide(Effect& e) {
    fineVolumeSlide(e);
    vibrato(e);
}

void tonePortamentoFineVolumeSlide(Effect& e) {
    fineVolumeSlide(e);
    tonePortamento(e);
}

void keyOffAt(Effect& e) {
    if (e.state().tick != e.parameter) return;
    // XM: K00 beside an instrument number or a volume column only releases.
    bool spared =
        e.parameter == 0 && (e.channel.cell[kCellInstrument] || e.channel.cell[kCellVolume] != kNoVolume);
    if (e.is(SongFormat::xm) && !e.channel.volumeEnvelope.enabled() && !spared) e.channel.volume = 0;
    releaseNote(e.song(), e.channel);
}

void setGlobalVolume(Effect& e) {
    if (e.firstTick()) e.state().globalVolume = e.parameter;
}

void globalVolumeSlideUp(Effect& e) {
    int p = remembered(e.channel.globalVolumeSlide, e.parameter);
    if (!e.firstTick()) e.state().globalVolume = std::min(e.state().globalVolume + p, 255);
}

void globalVolumeSlideDown(Effect& e) {
    int p = remembered(e.channel.globalVolumeSlide, e.parameter);
    if (!e.firstTick()) e.state().globalVolume = std::max(e.state().globalVolume - p, 0);
}

// Codes 29 and 30: a slide below 224, a first-tick step above.
void twoRangeVolumeSlide(Effect& e, int direction, int lowest) {
    int p = remembered(e.channel.volumeSlide, e.parameter);
    int amount = 0;
    if (p < 224) {
        if (!e.firstTick()) amount = p;
    } else if (e.firstTick()) {
        amount = p < 240 ? (p & 15) : (p & 15) * 4;
    }
    if (amount)
        e.channel.volume = clampInt(e.channel.volume + direction * amount, lowest, e.state().maxVolume);
}

void volumeSlideUpTwoRange(Effect& e) { twoRangeVolumeSlide(e, 1, 0); }
void volumeSlideDownTwoRange(Effect& e) { twoRangeVolumeSlide(e, -1, 1); }

// XM's Lxx moves the panning envelope too, but only when the volume
// envelope has a sustain point, as FastTracker II does.
void setEnvelopePosition(Effect& e) {
    if (!e.firstTick()) return;
    ChannelState& c = e.channel;
    c.volumeEnvelope.position = e.parameter;
    const Envelope* volume = c.volumeEnvelope.envelope;
    if (e.is(SongFormat::xm) && volume && volume->sustains) c.panningEnvelope.position = e.parameter;
}

void sampleOffsetLong(Effect& e) {
    if (!e.firstTick() || !e.parameter) return;
    int shift = 8 + ((e.channel.flags & kSample16Bit) ? 1 : 0) - e.channel.decimationShift;
    setSampleOffset(e, (e.parameter + 256 * e.channel.cell[kCellParameter2]) << shift);
}

void twoRangePortamento(Effect& e, int direction) {
    int p = remembered(e.channel.portamentoSpeed, e.parameter);
    int amount = 0;
    if (p < 224)
        amount = p;
    else if (e.firstTick())
        amount = p < 240 ? (p & 15) : (p & 15) * 4;
    e.channel.basePeriod += direction * amount;
}

void portamentoUpTwoRange(Effect& e) { twoRangePortamento(e, -1); }
void portamentoDownTwoRange(Effect& e) { twoRangePortamento(e, 1); }

// The panning set anew ends a panbrello's swing and the note's pitch-pan
// separation.
void setChannelPanning(ChannelState& c, int panning) {
    c.panning = panning;
    c.panbrelloOffset = 0;
    c.panningBeforeSeparation = -1;
}

void setPanning(Effect& e) {
    if (e.firstTick()) setChannelPanning(e.channel, e.parameter);
}

// Pxy. XM: x slides right, else y left, on the other ticks. IT: P0y slides
// right and Px0 left; PxF and PFy slide once, on the first tick; any other
// pair does nothing.
void panningSlide(Effect& e) {
    ChannelState& c = e.channel;
    const int p = remembered(c.panningSlide, e.parameter);
    const int x = p >> 4, y = p & 15;
    if (!e.is(SongFormat::it)) {
        if (!e.firstTick()) c.panning = clampInt(c.panning + (x ? x : -y), 0, 255);
        return;
    }
    int amount = 0;
    if (y == 15 && x)
        amount = e.firstTick() ? -x : 0;
    else if (x == 15 && y)
        amount = e.firstTick() ? y : 0;
    else if (!e.firstTick() && !(x && y))
        amount = y ? y : -x;
    c.panning = clampInt(c.panning + amount, 0, 64);
}

// IT's Yxy swings the panning by the waveform at the position, which then
// moves on. The random waveform holds each value for x ticks.
void panbrello(Effect& e) {
    ChannelState& c = e.channel;
    if (e.x()) c.panbrelloSpeed = e.x();
    if (e.y()) c.panbrelloDepth = e.y();
    int value;  // -64 .. 64
    if (c.panbrelloWaveform == 3) {
        if (c.panbrelloPosition == 0 || c.panbrelloPosition >= c.panbrelloSpeed) {
            c.panbrelloPosition = 0;
            uint32_t& random = e.state().random;
            random = random * 1103515245u + 12345u;
            c.panbrelloHeld = static_cast<int>((random >> 16) & 127) - 64;
        }
        ++c.panbrelloPosition;
        value = c.panbrelloHeld;
    } else {
        value = itWaveformValue(e, c.panbrelloWaveform, c.panbrelloPosition) / 4;
        c.panbrelloPosition = (c.panbrelloPosition + c.panbrelloSpeed) & 255;
    }
    c.panbrelloOffset = (value * c.panbrelloDepth + 2) >> 3;
}

void panbrelloWaveform(Effect& e) {
    if (e.parameter < 4) e.channel.panbrelloWaveform = e.parameter;
}

void panningSlideLeft(Effect& e) {
    int p = remembered(e.channel.panningSlide, e.parameter);
    if (!e.firstTick()) e.channel.panning = std::max(e.channel.panning - p, 0);
}

void panningSlideRight(Effect& e) {
    int p = remembered(e.channel.panningSlide, e.parameter);
    if (!e.firstTick()) e.channel.panning = std::min(e.channel.panning + p, 255);
}

// XM's Rxy: each nibble 0 takes the last one given. A tick counter runs
// on across rows; it reaches the interval and the note restarts, but not
// on a first tick that has a note of its own. On the first tick an
// instrument number sets the counter to 1, and a set volume above 0 holds
// it there; a retriggered note keeps a volume set in its cell.
void retriggerSecondForm(Effect& e) {
    ChannelState& c = e.channel;
    int p = e.parameter;
    if (!(p & 0xF0)) p |= c.retriggerParameter & 0xF0;
    if (!(p & 0x0F)) p |= c.retriggerParameter & 0x0F;
    c.retriggerParameter = p;
    const int note = c.cell[kCellNote];
    const int volumeColumn = c.cell[kCellVolume];
    const bool setsVolume = volumeColumn <= 64;
    const bool realNote = note >= 1 && note <= kLastNote;
    int count = c.retriggerCounter;
    if (e.firstTick()) {
        if (c.cell[kCellInstrument] && (note == 0 || realNote)) count = 1;
        if (setsVolume && volumeColumn > 0) {
            c.retriggerCounter = count;
            return;
        }
    }
    if (count >= (p & 15) && (!e.firstTick() || !realNote)) {
        retrigger(e);
        if (!setsVolume) c.volume = retriggerVolume(c.volume, p >> 4);
        count = 0;
    }
    c.retriggerCounter = count + 1;
}

// T0x slides down, T1x up, on the other ticks; Scream Tracker's slides stop
// at 33, one above IT's lowest tempo.
void tempoSlide(Effect& e) {
    int& tempo = e.state().tempo;
    const int p = remembered(e.channel.tempoParameter, e.parameter);  // T00 repeats the last
    if (p >= 32) {
        if (e.firstTick()) tempo = p;
    } else if (!e.firstTick()) {
        const int lowest = e.is(SongFormat::s3m) ? 33 : 32;
        tempo = p >> 4 == 1 ? std::min(tempo + (p & 15), 255) : std::max(tempo - (p & 15), lowest);
    }
}

void setChannelVolume(Effect& e) {
    if (e.parameter <= 64) e.channel.channelVolume = e.parameter;
}

void channelVolumeSlide(Effect& e) {
    ChannelState& c = e.channel;
    int p = remembered(c.channelVolumeSlide, e.parameter);
    int x = p >> 4, y = p & 15, amount = 0;
    if (y == 15 && x) {
        if (e.firstTick()) amount = x;
    } else if (x == 15 && y) {
        if (e.firstTick()) amount = -y;
    } else if (x == 0 && y) {
        if (!e.firstTick()) amount = -y;
    } else if (y == 0) {
        if (!e.firstTick()) amount = x;
    }
    c.channelVolume = clampInt(c.channelVolume + amount, 0, 64);
}

void extraFinePortamento(Effect& e) {
    if (!e.firstTick()) return;
    if (e.x() == 1) e.channel.basePeriod -= remembered(e.channel.extraFinePortamentoUp, e.y());
    if (e.x() == 2) e.channel.basePeriod += remembered(e.channel.extraFinePortamentoDown, e.y());
}

void linearPortamento(Effect& e, const int32_t* coarse, const int32_t* fine) {
    int p = remembered(e.channel.portamentoSpeed, e.parameter);
    int x = p >> 4, y = p & 15;
    int32_t& period = e.channel.basePeriod;
    if (x == 15) {
        if (e.firstTick()) period = scalePeriod(period, coarse[y]);
    } else if (x == 14) {
        if (e.firstTick()) period = scalePeriod(period, fine[y]);
    } else if (!e.firstTick()) {
        period = scalePeriod(period, coarse[p]);
    }
}

void linearPortamentoDown(Effect& e) { linearPortamento(e, kSlideDown192, kSlideDown768); }
void linearPortamentoUp(Effect& e) { linearPortamento(e, kSlideUp192, kSlideUp768); }

void linearTonePortamentoCode(Effect& e) {
    rememberTonePortamentoSpeed(e, 1);
    linearTonePortamento(e);
}

void linearTonePortamentoVolumeSlide(Effect& e) {
    fineVolumeSlide(e);
    linearTonePortamento(e);
}

void globalVolumeSlide(Effect& e) {
    int p = remembered(e.channel.globalVolumeSlide, e.parameter);
    int x = p >> 4, y = p & 15, amount = 0;
    if (y == 15 && x) {
        if (e.firstTick()) amount = 2 * x;
    } else if (x == 15 && y) {
        if (e.firstTick()) amount = -2 * y;
    } else if (!e.firstTick()) {  // the plain slides, on the other ticks
        if (x == 0)
            amount = -2 * y;
        else if (y == 0)
            amount = 2 * x;
    }
    e.state().globalVolume = clampInt(e.state().globalVolume + amount, 0, 255);
}

// XM's Hxy: the parameter remembered whole; x, when given, slides up by
// 4x on other ticks, otherwise y slides down by 4y.
void xmGlobalVolumeSlide(Effect& e) {
    int p = remembered(e.channel.globalVolumeSlide, e.parameter);
    if (e.firstTick()) return;
    int amount = (p >> 4) ? 4 * (p >> 4) : -4 * (p & 15);
    e.state().globalVolume = clampInt(e.state().globalVolume + amount, 0, 255);
}

// Zxx on the first tick: the macro's filter message, for the channel to
// take once this tick's note has started.
void midiMacro(Effect& e) {
    if (!e.firstTick()) return;
    const MidiMacros& macros = e.song().macros;
    const FilterMacro& macro = e.parameter < 0x80
                                   ? macros.parametered[static_cast<size_t>(e.channel.activeMacro & 15)]
                                   : macros.fixed[static_cast<size_t>(e.parameter - 0x80)];
    const int value = macro.value < 0 ? e.parameter : macro.value;
    if (value >= 0x80) return;
    if (macro.target == MacroTarget::cutoff) e.channel.macroCutoff = value;
    if (macro.target == MacroTarget::resonance) e.channel.macroResonance = value;
}

void switchEnvelope(EnvelopeRun& run, bool on) {
    run.switched = on ? EnvelopeRun::Switch::on : EnvelopeRun::Switch::off;
}

// S7x on the first tick: the channel's earlier notes, its note's new-note
// action, and its note's envelopes.
void noteActionCommand(Effect& e) {
    if (!e.firstTick()) return;
    ChannelState& c = e.channel;
    switch (e.parameter) {
        case kPastNotesCut:
        case kPastNotesOff:
        case kPastNotesFade:
            // Taken once this tick's note has left its predecessor behind.
            c.pastNoteAction = e.parameter;
            break;
        case kNewNoteCut:
            c.newNoteAction = NewNoteAction::cut;
            break;
        case kNewNoteContinue:
            c.newNoteAction = NewNoteAction::carryOn;
            break;
        case kNewNoteOff:
            c.newNoteAction = NewNoteAction::release;
            break;
        case kNewNoteFade:
            c.newNoteAction = NewNoteAction::fade;
            break;
        case kVolumeEnvelopeOff:
            // The volume stays where the envelope had it; a note starting
            // this tick has not run it yet.
            if (c.volumeEnvelope.switched != EnvelopeRun::Switch::off)
                c.heldEnvelopeVolume =
                    c.volumeEnvelope.enabled() && !c.noteOn ? c.volumeEnvelope.value() : 64;
            switchEnvelope(c.volumeEnvelope, false);
            break;
        case kVolumeEnvelopeOn:
            switchEnvelope(c.volumeEnvelope, true);
            break;
        case kPanningEnvelopeOff:
        case kPanningEnvelopeOn:
            switchEnvelope(c.panningEnvelope, e.parameter == kPanningEnvelopeOn);
            break;
        case kPitchEnvelopeOff:
        case kPitchEnvelopeOn:
            switchEnvelope(c.pitchEnvelope, e.parameter == kPitchEnvelopeOn);
            break;
        default:
            break;
    }
}

void selectMacro(Effect& e) { e.channel.activeMacro = e.parameter & 15; }

void extended(Effect& e);

void nothing(Effect&) {}

struct EffectEntry {
    EffectFunction apply;
    bool needsSample;  // pitch effects act only on a channel with a sample
};

const EffectEntry kEffects[kEffectCodeCount] = {
    {arpeggio, true},                         // 0
    {portamentoUp, true},                     // 1
    {portamentoDown, true},                   // 2
    {tonePortamentoCode, true},               // 3
    {vibratoCode, true},                      // 4
    {tonePortamentoVolumeSlide, true},        // 5
    {vibratoVolumeSlide, true},               // 6
    {tremoloCode, false},                     // 7
    {nothing, false},                         // 8
    {sampleOffset, true},                     // 9
    {volumeSlide, false},                     // 10
    {nothing, false},                         // 11 position jump: global
    {setVolume, false},                       // 12
    {nothing, false},                         // 13 pattern break: global
    {extended, false},                        // 14
    {speedOrTempo, false},                    // 15
    {setSpeed, false},                        // 16
    {fineVolumeSlide, false},                 // 17
    {finePortamentoDown, true},               // 18
    {finePortamentoUp, true},                 // 19
    {tremor, false},                          // 20
    {retriggerVolumeChange, true},            // 21
    {setTempo, false},                        // 22
    {vibratoFineVolumeSlide, true},           // 23
    {tonePortamentoFineVolumeSlide, true},    // 24
    {keyOffAt, false},                        // 25
    {setGlobalVolume, false},                 // 26
    {globalVolumeSlideUp, false},             // 27
    {globalVolumeSlideDown, false},           // 28
    {volumeSlideUpTwoRange, false},           // 29
    {volumeSlideDownTwoRange, false},         // 30
    {nothing, false},                         // 31
    {setEnvelopePosition, false},             // 32
    {sampleOffsetLong, true},                 // 33
    {portamentoUpTwoRange, true},             // 34
    {portamentoDownTwoRange, true},           // 35
    {setPanning, false},                      // 36
    {panningSlideLeft, false},                // 37
    {panningSlideRight, false},               // 38
    {retriggerSecondForm, true},              // 39
    {nothing, false},                         // 40
    {tempoSlide, false},                      // 41
    {setChannelVolume, false},                // 42
    {channelVolumeSlide, false},              // 43
    {extraFinePortamento, true},              // 44
    {linearPortamentoDown, true},             // 45
    {linearPortamentoUp, true},               // 46
    {linearTonePortamentoCode, true},         // 47
    {vibratoCode, true},                      // 48
    {vibratoFineVolumeSlide, true},           // 49
    {linearTonePortamentoVolumeSlide, true},  // 50
    {globalVolumeSlide, false},               // 51
    {xmGlobalVolumeSlide, false},             // 52
    {midiMacro, false},                       // 53
    {noteActionCommand, false},               // 54
    {selectMacro, false},                     // 55
    {arpeggioAgain, true},                    // 56
    {sampleOffsetHigh, false},                // 57
    {finePatternDelay, false},                // 58
    {panningSlide, false},                    // 59
    {fineVibrato, true},                      // 60
    {panbrello, false},                       // 61
    {panbrelloWaveform, false},               // 62
};

// ---- extended sub-commands ------------------------------------------------------

// E9y counts the ticks of its own row. XM: on ticks y, 2y, ... after the
// row's first (E90: the first tick alone), restarting the envelopes too. Other
// formats: on the ticks that are multiples of y, the first tick only when
// the row has no note of its own.
void retriggerEvery(Effect& e, int y) {
    ChannelState& c = e.channel;
    const int tick = e.state().tick;
    if (e.is(SongFormat::xm)) {
        // A delayed row's repetitions count their first tick too.
        const bool firstPass = e.state().patternDelay == 0;
        if (y ? (tick == 0 && firstPass) || tick % y : tick != 0) return;
        // The envelopes start again; a released note stays released and fading.
        retrigger(e);
        c.volumeEnvelope.position = 0;
        c.panningEnvelope.position = 0;
        return;
    }
    const int note = c.cell[kCellNote];
    if (!y || tick % y || (tick == 0 && note >= 1 && note <= kLastNote)) return;
    retrigger(e);
}

// A vibrato or tremolo waveform setting: + 4 keeps the position at a new
// note, which Scream Tracker has no bit for and IT ignores the setting for.
int waveformSetting(const Effect& e, int y) {
    if (e.is(SongFormat::s3m)) return y & 3;
    if (e.is(SongFormat::it)) return y < 4 ? y : 0;
    return y & 7;
}

void extended(Effect& e) {
    if (e.parameter >= 240) return;
    ChannelState& c = e.channel;
    int y = e.y();
    switch (e.x()) {
        // XM remembers E1y's and E2y's steps apart.
        case kFinePortamentoUpStep:
            if (e.is(SongFormat::xm)) y = remembered(c.finePortamentoUp, y);
            if (e.firstTick() && c.hasSample()) c.basePeriod -= y * 4;
            break;
        case kFinePortamentoDownStep:
            if (e.is(SongFormat::xm)) y = remembered(c.finePortamentoDown, y);
            if (e.firstTick() && c.hasSample()) c.basePeriod += y * 4;
            break;
        case kGlissando:
            c.glissando = y != 0;
            break;
        case kVibratoWaveform:
            c.waveControl = (c.waveControl & 0xF0) | waveformSetting(e, y);
            break;
        case kSetFineTune:
            if (!c.hasSample()) break;
            if (e.is(SongFormat::xm)) {
                // XM keeps fine-tune in its own field, and + 128 in the C4 speed.
                c.fineTune = (y - 8) * 16;
                c.c4Speed = c.fineTune + 128;
            } else {
                c.c4Speed = kFineTuneSpeed[y];
            }
            c.basePeriod = periodOfNote(e, c.lastNote);
            break;
        case kTremoloWaveform:
            c.waveControl = (c.waveControl & 0x0F) | waveformSetting(e, y) << 4;
            break;
        case kPanningStep:
            c.panning = kPanningSteps[y];
            break;
        case kRetriggerEvery:
            retriggerEvery(e, y);
            break;
        case kFineVolumeUp:
            if (!e.firstTick()) break;
            if (y) c.fineVolumeSlide = (c.fineVolumeSlide & 0x0F) | y << 4;
            addVolume(e, c.fineVolumeSlide >> 4);
            break;
        case kFineVolumeDown:
            if (!e.firstTick()) break;
            if (y) c.fineVolumeSlide = (c.fineVolumeSlide & 0xF0) | y;
            addVolume(e, -(c.fineVolumeSlide & 15));
            break;
        case kNoteCutAt:
            // Scream Tracker ignores SC0; IT cuts on the second tick, as SC1.
            if (y == 0 && e.is(SongFormat::s3m)) break;
            if (e.state().tick != (y == 0 && e.is(SongFormat::it) ? 1 : y)) break;
            // XM's note plays on silent, for the next volume to bring back.
            if (e.is(SongFormat::xm)) {
                c.volume = 0;
                break;
            }
            c.noteOn = false;
            c.stopVoice = true;
            if (e.is(SongFormat::s3m)) c.noteCut = true;
            break;
        case kPatternDelay: {
            // Scream Tracker 3 and IT take the row's first delay, the others its last.
            const bool firstWins = e.is(SongFormat::s3m) || e.is(SongFormat::it);
            if (e.firstTick() && !e.state().patternDelay && !(firstWins && e.state().pendingPatternDelay))
                e.state().pendingPatternDelay = y + 1;
            break;
        }
        default:
            break;
    }
}

// ---- the volume column ----------------------------------------------------------

// Runs an IT volume-column pitch command as the effect column's command
// with this parameter, memories included.
void itVolumeColumnCommand(Effect& e, int code, int parameter) {
    if (!e.channel.hasSample()) return;
    Effect columnEffect{e.context, e.channel, parameter};
    kEffects[code].apply(columnEffect);
}

void itVolumeColumn(Effect& e, int v) {
    ChannelState& c = e.channel;
    if (v <= 64) {
        if (e.noteTick()) c.volume = v;
    } else if (v <= 84) {
        int amount = v <= 74 ? v - 65 : v - 75;
        amount = remembered(c.volumeColumn, amount);
        if (e.firstTick()) addVolume(e, v <= 74 ? amount : -amount);
    } else if (v <= 104) {
        int amount = v <= 94 ? v - 85 : v - 95;
        amount = remembered(c.volumeColumn, amount);
        if (!e.firstTick()) c.volume = clampInt(c.volume + (v <= 94 ? amount : -amount), 0, 64);
    } else if (v <= 124) {
        const bool linear = e.song().linearFrequencies;
        if (v <= 114)
            itVolumeColumnCommand(e, linear ? kLinearPortamentoDown : kFinePortamentoDown, (v - 105) * 4);
        else
            itVolumeColumnCommand(e, linear ? kLinearPortamentoUp : kFinePortamentoUp, (v - 115) * 4);
    } else if (v >= 128 && v <= 192) {
        if (e.noteTick()) setChannelPanning(c, v - 128);
    } else if (v >= kItVolumeTonePortamento && v < kItVolumeVibrato) {
        static const uint8_t kSpeeds[10] = {0, 1, 4, 8, 16, 32, 64, 96, 128, 255};
        itVolumeColumnCommand(e, e.song().linearFrequencies ? kLinearTonePortamento : kTonePortamento,
                              kSpeeds[v - kItVolumeTonePortamento]);
    } else if (v >= kItVolumeVibrato && v <= kItVolumeVibrato + 9) {
        itVolumeColumnCommand(e, kVibrato, v - kItVolumeVibrato);
    }
}

void volumeColumn(Effect& e, int v) {
    ChannelState& c = e.channel;
    if (v <= 64) {
        if (e.noteTick()) c.volume = std::min(v, e.state().maxVolume);
    } else if (v >= 96 && v <= 127) {
        // The slide is Axy's, memory included.
        const int amount = v < 112 ? v - 96 : v - 112;
        if (amount) c.volumeSlide = v < 112 ? amount : amount << 4;
        if (!e.firstTick()) addVolume(e, v < 112 ? -amount : amount);
    } else if (v >= 128 && v <= 159) {
        if (e.firstTick()) addVolume(e, v < 144 ? -(v & 15) : (v & 15));
    } else if (v >= 160 && v <= 175) {
        // Sx and Vx share 4xy's memories: 0 keeps what is there.
        if (v & 15) c.vibratoSpeed = (v - 160) * 4;
    } else if (v >= 176 && v <= 191) {
        if (v & 15) c.vibratoDepth = (v - 176) * 4;
        if (c.hasSample()) vibrato(e);
    } else if (v >= 192 && v <= 207) {
        c.panning = kPanningSteps[v - 192];
    } else if (v >= 208 && v < kXmVolumeTonePortamento) {
        // Dx slides left, Ex right, on the other ticks.
        if (!e.firstTick()) c.panning = clampInt(c.panning + (v < 224 ? -(v & 15) : v & 15), 0, 255);
    } else if (v >= kXmVolumeTonePortamento) {
        // XM's Mx: speed 16x, shared with 3xx; a 3xx beside it is passed
        // over and doubles it.
        int speed = (v & 15) * 16 * 4;
        if (c.cell[kCellEffect] == kTonePortamento) speed *= 2;
        if (speed) c.tonePortamentoSpeed = speed;
        if (c.hasSample()) tonePortamento(e);
    }
}

void applyEffect(EffectContext& context, ChannelState& channel, int code, int parameter) {
    if (code >= kEffectCodeCount) return;
    const EffectEntry& entry = kEffects[code];
    if (entry.needsSample && !channel.hasSample()) return;
    Effect effect{context, channel, parameter};
    entry.apply(effect);
}

// Scream Tracker keeps one parameter memory a channel: every command's
// non-zero parameter sets it (the letters whose internal form rescales the
// parameter are left out), and D E F I J K L Q R S with 00 take it.
int sharedS3mParameter(ChannelState& channel, int code, int parameter) {
    switch (code) {
        case kExtended:
        case kArpeggioAgain:
        case kFineVolumeSlide:
        case kFinePortamentoDown:
        case kFinePortamentoUp:
        case kTremor:
        case kVibratoFineVolumeSlide:
        case kTonePortamentoFineVolumeSlide:
        case kRetriggerVolume:
        case kTremolo:
            return remembered(channel.sharedParameter, parameter);
        case kSetGlobalVolume:
        case kSetPanning:
            return parameter;
        default:
            if (parameter) channel.sharedParameter = parameter;
            return parameter;
    }
}

}  // namespace

// The codes a silent run through the song applies.
bool changesTiming(int code, int parameter) {
    switch (code) {
        case kSpeedTempo:
        case kSetSpeed:
        case kSetTempo:
        case kTempoSlide:
        case kSetGlobalVolume:
        case kGlobalVolumeSlideUp:
        case kGlobalVolumeSlideDown:
        case kGlobalVolumeSlide:
        case kXmGlobalVolumeSlide:
        case kFinePatternDelay:
            return true;
        case kExtended:
            return (parameter >> 4) == kPatternDelay;
        default:
            return false;
    }
}

int noteTickOf(const Song& song, const uint8_t* cell) {
    if (cell[kCellEffect] != kExtended || (cell[kCellParameter] >> 4) != kNoteDelay) return 0;
    const int y = cell[kCellParameter] & 15;
    return y == 0 && song.format == SongFormat::it ? 1 : y;  // IT's SD0 waits a tick
}

bool slidesToNote(const Song& song, const uint8_t* cell) {
    const uint8_t v = cell[kCellVolume];
    return isTonePortamento(cell[kCellEffect]) ||
           (song.format == SongFormat::xm && v >= kXmVolumeTonePortamento) ||
           (song.format == SongFormat::it && v >= kItVolumeTonePortamento && v < kItVolumeVibrato);
}

bool isTonePortamento(int code) {
    return code == kTonePortamento || code == kTonePortamentoVolumeSlide ||
           code == kTonePortamentoFineVolumeSlide || code == kLinearTonePortamento ||
           code == kLinearTonePortamentoVolumeSlide;
}

// Scream Tracker 3: a portamento on the row after an arpeggio slides on from
// the note the arpeggio left sounding.
void slideOnFromArpeggio(EffectContext& context, ChannelState& c) {
    Effect e{context, c, 0};
    if (!e.firstTick()) return;
    const int code = c.cell[kCellEffect];
    if (c.arpeggioOnRowBefore && (code == kFinePortamentoDown || code == kFinePortamentoUp))
        c.basePeriod = periodOfNote(e, c.arpeggioNote);
    c.arpeggioOnRowBefore = code == kArpeggioAgain || (code == kArpeggio && c.cell[kCellParameter] != 0);
}

void applyChannelEffects(EffectContext& context, ChannelState& channel, int) {
    if (context.song.format == SongFormat::s3m) slideOnFromArpeggio(context, channel);
    channel.arpeggioNote = channel.lastNote;
    channel.periodChanged = false;
    channel.volumeChanged = false;
    const SongFormat format = context.song.format;
    const uint8_t* cell = channel.cell.data();

    if (context.song.cellSize >= 5 && format != SongFormat::dmf) {
        Effect effect{context, channel, 0};
        int v = cell[kCellVolume];
        if (format == SongFormat::it)
            itVolumeColumn(effect, v);
        else if (format == SongFormat::mdl)
            (v && effect.noteTick()) ? void(channel.volume = std::min(v, context.state.maxVolume)) : void();
        else
            volumeColumn(effect, v);
    }
    bool volumeColumnSlides = format == SongFormat::xm && cell[kCellVolume] >= kXmVolumeTonePortamento;
    if (format != SongFormat::dmf && !(volumeColumnSlides && cell[kCellEffect] == kTonePortamento)) {
        int parameter = cell[kCellParameter];
        if (format == SongFormat::s3m) parameter = sharedS3mParameter(channel, cell[kCellEffect], parameter);
        applyEffect(context, channel, cell[kCellEffect], parameter);
        if (format == SongFormat::mdl)
            applyEffect(context, channel, cell[kCellEffect2], cell[kCellParameter2]);
    }
    if (!channel.volumeChanged) channel.outputVolume = channel.volume;
    if (channel.tremorRunning && !channel.tremorOn && !channel.tremorFresh) channel.outputVolume = 0;
    if (!channel.periodChanged) channel.outputPeriod = channel.basePeriod;
}

void applyTimingEffects(EffectContext& context, ChannelState& channel) {
    const uint8_t* cell = channel.cell.data();
    if (context.song.format == SongFormat::dmf) return;
    if (changesTiming(cell[kCellEffect], cell[kCellParameter]))
        applyEffect(context, channel, cell[kCellEffect], cell[kCellParameter]);
    if (context.song.format == SongFormat::mdl && changesTiming(cell[kCellEffect2], cell[kCellParameter2]))
        applyEffect(context, channel, cell[kCellEffect2], cell[kCellParameter2]);
}

void applyGlobalEffects(EffectContext& context, ChannelState& channel, int channelIndex) {
    PlaybackState& s = context.state;
    const uint8_t* cell = channel.cell.data();
    int columns = context.song.format == SongFormat::mdl ? 2 : context.song.format == SongFormat::dmf ? 0 : 1;
    const bool it = context.song.format == SongFormat::it;
    const bool keepsBreakRow = it || context.song.format == SongFormat::s3m;
    for (int column = 0; column < columns; ++column) {
        int code = cell[column ? kCellEffect2 : kCellEffect];
        int p = cell[column ? kCellParameter2 : kCellParameter];
        if (code == kPositionJump && s.tick == 0) {
            int target = p >= context.song.length ? 0 : p;
            // IT and Scream Tracker keep the row of a break on an earlier
            // channel; MOD and XM start the pattern at its first row.
            if (!keepsBreakRow || s.pendingChange == OrderChange::none) s.pendingStartRow = 0;
            s.pendingChange = OrderChange::next;
            s.changeIsJump = true;
            s.jumpOrder = target;
        } else if (code == kPatternBreak && s.tick == 0 && !s.patternDelay) {
            const int row = it ? p : 10 * (p >> 4) + (p & 15);  // IT's is not decimal
            s.pendingStartRow = std::min(row, s.rowCount);
            s.pendingChange = OrderChange::next;
        } else if (code == kExtended && (p >> 4) == kPatternLoop && p < 240 &&
                   s.tick + 1 == s.speed + s.fineRowDelay && !s.pendingPatternDelay && s.patternDelay <= 1) {
            // A delayed row loops once, on its last repetition.
            int y = p & 15;
            PatternLoop& loop = s.loops[context.song.format == SongFormat::s3m ? 0 : channelIndex];
            s.loopChannel = channelIndex;
            if (y == 0) {
                loop.startRow = s.row;
            } else {
                loop.counter = loop.counter ? loop.counter - 1 : y;
                // XM goes back from a delayed row to the row after the start.
                const bool xmDelayed = context.song.format == SongFormat::xm && s.patternDelay == 1;
                if (loop.counter)
                    s.loopTarget = loop.startRow + (xmDelayed ? 1 : 0);
                else if (keepsBreakRow)
                    loop.startRow = s.row + 1;  // IT's and Scream Tracker's next loop starts after this one
            }
        }
    }
}

void applyGlobalTrack(EffectContext& context, int command, int argument, int patternBeat) {
    PlaybackState& s = context.state;
    switch (command) {
        case kTicksPerSecondTiming:
            s.ticksPerSecondMode = true;
            s.ticksPerSecond = std::max(argument, 13);
            s.speed = 4;
            s.dmfShift = 2;
            s.beat = 4;
            break;
        case kBeatTiming:
            s.ticksPerSecondMode = false;
            s.tempo = argument;
            s.speed = 4;
            s.dmfShift = 2;
            s.beat = patternBeat;
            break;
        case kSetBeat:
            if (argument)
                s.beat = argument >> 4;
            else
                s.ticksPerSecondMode = true;
            break;
        case kGlobalPatternDelay:
            // The delayed row comes round again with this entry; setting the
            // delay anew each time would hold the row for ever.
            if (s.patternDelay == 0 && s.pendingPatternDelay == 0)
                s.pendingPatternDelay =
                    std::max(s.speed * (argument >> 4) + s.speed * (argument & 15) / 16 - 4, 0);
            break;
        case kTimingUp:
            if (s.ticksPerSecondMode)
                s.ticksPerSecond = std::min(s.ticksPerSecond + 1, 255);
            else
                s.tempo = std::min(s.tempo + 1, 255);
            break;
        case kTimingDown:
            if (s.ticksPerSecondMode)
                s.ticksPerSecond = std::max(s.ticksPerSecond - 1, 13);
            else
                s.tempo = std::max(s.tempo - 1, 32);
            break;
        case kGlobalSpeedTempo:
            if (argument > 31)
                s.tempo = argument;
            else if (argument)
                s.speed = argument;
            break;
        default:
            break;
    }
}

}  // namespace tumbor::trk
