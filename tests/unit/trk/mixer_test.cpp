// The tracker mixer: voice commands, the tick-driven render loop, loop and
// end rules, the volume tables, interpolation and the output conversion,
// driven by a scripted tick source over sample memory built here.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "libs/trk/mixer/disk_writer.h"
#include "libs/trk/model/song.h"

namespace tumbor::trk {
namespace {

constexpr uint32_t kRate = 44100;
constexpr size_t kGuardBytes = 16;

OutputMode modeOf(bool stereo, bool sixteenBit, int interpolation = kInterpolationNone, uint32_t rate = kRate) {
    OutputMode mode;
    mode.rate = rate;
    mode.stereo = stereo;
    mode.sixteenBit = sixteenBit;
    mode.interpolation = interpolation;
    return mode;
}

// Sample memory as the sample stage leaves it: the data, then guard bytes.
std::vector<uint8_t> sampleBytes(const std::vector<int>& values) {
    std::vector<uint8_t> memory(values.size() + kGuardBytes, 0);
    for (size_t i = 0; i < values.size(); ++i) memory[i] = static_cast<uint8_t>(values[i]);
    return memory;
}

std::vector<uint8_t> samplePoints(const std::vector<int>& points) {
    std::vector<uint8_t> memory(points.size() * 2 + kGuardBytes, 0);
    for (size_t i = 0; i < points.size(); ++i) {
        memory[2 * i] = static_cast<uint8_t>(points[i]);
        memory[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(points[i]) >> 8);
    }
    return memory;
}

// The sequencer's side: each tick runs the script, then lasts a fixed
// number of frames.
class ScriptedTicks final : public TickSource {
public:
    ScriptedTicks(uint32_t frames, std::function<void(int tick)> script)
        : frames_(frames), script_(std::move(script)) {}

    uint32_t runTick(uint32_t outputRate) override {
        lastRate = outputRate;
        if (script_) script_(ticks);
        ++ticks;
        return frames_;
    }

    int ticks = 0;
    uint32_t lastRate = 0;

private:
    uint32_t frames_;
    std::function<void(int)> script_;
};

// Starts a voice over a whole sample of end bytes at full volume.
void play(VoiceControl& voices, int voice, const std::vector<uint8_t>& data, int32_t end, int hz,
          uint32_t flags = 0, int32_t loopStart = 0, int32_t loopEnd = 0) {
    voices.setVolume(voice, 512);
    voices.setFrequency(voice, hz);
    voices.startVoice(voice, data.data(), 0, end, loopStart, loopEnd, flags);
}

// Renders frames and answers the output values: signed 16-bit, or the
// unsigned 8-bit bytes; stereo interleaved.
std::vector<int> renderValues(DiskWriter& writer, uint32_t frames, TickSource& ticks) {
    const OutputMode& mode = writer.mode();
    std::vector<uint8_t> out(frames * mode.bytesPerFrame(), 0xEE);
    EXPECT_EQ(writer.render(out.data(), frames, ticks), out.size());
    std::vector<int> values;
    if (mode.sixteenBit) {
        for (size_t i = 0; i + 1 < out.size(); i += 2)
            values.push_back(static_cast<int16_t>(out[i] | out[i + 1] << 8));
    } else {
        values.assign(out.begin(), out.end());
    }
    return values;
}

// One voice on one channel, mono 16-bit output, started by the first tick:
// an 8-bit sample byte s at volume 64 comes out as s * 256, a 16-bit point
// as itself.
struct Solo {
    Solo(const std::vector<uint8_t>& data, int32_t end, int hz, uint32_t flags = 0, int32_t loopStart = 0,
         int32_t loopEnd = 0, int interpolation = kInterpolationNone, uint32_t tickFrames = 100000)
        : ticks(tickFrames, [=, &data](int tick) {
              if (tick == 0) play(writer, 0, data, end, hz, flags, loopStart, loopEnd);
          }) {
        writer.open(modeOf(false, true, interpolation));
        writer.prepare(1);
    }
    std::vector<int> render(uint32_t frames) { return renderValues(writer, frames, ticks); }
    const DiskWriter::Voice& voice() const { return writer.voice(0); }

    DiskWriter writer;
    ScriptedTicks ticks;
};

std::vector<int> ramp(int count) {
    std::vector<int> values;
    for (int i = 0; i < count; ++i) values.push_back(i);
    return values;
}

// Sample memory of length bytes whose byte k holds k >> 16.
std::vector<uint8_t> slowRamp(int32_t length) {
    std::vector<uint8_t> data(static_cast<size_t>(length) + kGuardBytes, 0);
    for (int32_t k = 0; k < length; ++k) data[static_cast<size_t>(k)] = static_cast<uint8_t>(k >> 16);
    return data;
}

TEST(TrkMixerTest, OpenResetsVoicesAndDescribesTheFormat) {
    DiskWriter writer;
    EXPECT_EQ(writer.description(), "44100Hz, 16bits, stereo, no interpolation");
    writer.open(modeOf(false, false, true, 22050));
    EXPECT_EQ(writer.description(), "22050Hz, 8bits, mono, interpolation");

    auto data = sampleBytes({1, 2, 3, 4});
    writer.prepare(2);
    ScriptedTicks ticks(100, [&](int) {
        play(writer, 0, data, 4, 22050, kSampleLooped, 0, 4);
        writer.setPanning(1, 77);
    });
    renderValues(writer, 10, ticks);
    ASSERT_TRUE(writer.voice(0).active);

    writer.open(modeOf(true, true, false, 11025));
    EXPECT_EQ(writer.description(), "11025Hz, 16bits, stereo, no interpolation");
    for (int i = 0; i < DiskWriter::kVoiceCount; ++i) {
        const DiskWriter::Voice& v = writer.voice(i);
        EXPECT_FALSE(v.active || v.trigger) << "voice " << i;
        EXPECT_EQ(v.data, nullptr) << "voice " << i;
        EXPECT_EQ(v.frequency, 10000) << "voice " << i;
        EXPECT_EQ(v.volume, 0) << "voice " << i;
        EXPECT_EQ(v.position, 0) << "voice " << i;
        EXPECT_EQ(v.panning, i % 2 == 0 ? 255 : 0) << "voice " << i;
    }
}

TEST(TrkMixerTest, VoiceCommandsStoreClampedValues) {
    DiskWriter writer;
    auto data = sampleBytes({0, 0, 0, 0, 0, 0, 0, 0});

    writer.startVoice(0, data.data(), 5, 5, 0, 0, 0);
    writer.startVoice(0, data.data(), 6, 5, 0, 0, 0);
    writer.startVoice(0, data.data(), -1, 5, 0, 0, 0);
    EXPECT_FALSE(writer.voice(0).trigger) << "start >= end or a negative start is ignored";
    EXPECT_EQ(writer.voice(0).data, nullptr);

    writer.startVoice(1, data.data(), 2, 8, 4, 100, kSampleLooped | DiskWriter::kBackwards);
    const DiskWriter::Voice& v = writer.voice(1);
    EXPECT_TRUE(v.trigger);
    EXPECT_EQ(v.start, 2);
    EXPECT_EQ(v.lastByte, 7);
    EXPECT_EQ(v.loopStart, 4);
    EXPECT_EQ(v.loopLastByte, 7) << "loop end cut to the end";
    EXPECT_EQ(v.flags, kSampleLooped) << "a start plays forwards";

    writer.startVoice(2, data.data(), 0, 8, 4, 4, kSampleLooped | kSamplePingPong);
    EXPECT_EQ(writer.voice(2).flags, 0u) << "an empty loop plays once";
    writer.startVoice(2, data.data(), 0, 8, 4, 5, kSampleLooped);
    EXPECT_EQ(writer.voice(2).flags, kSampleLooped) << "a one-byte loop repeats its byte";

    writer.setVolume(0, 511);
    EXPECT_EQ(writer.voice(0).volume, 63);
    writer.setVolume(0, 4095);
    EXPECT_EQ(writer.voice(0).volume, 64);
    writer.setVolume(0, -8);
    EXPECT_EQ(writer.voice(0).volume, 0);
    writer.setPanning(0, 999);
    EXPECT_EQ(writer.voice(0).panning, 255);
    writer.setPanning(0, -1);
    EXPECT_EQ(writer.voice(0).panning, 0);

    // Voices outside 0 .. 31 are ignored.
    writer.startVoice(32, data.data(), 0, 8, 0, 0, 0);
    writer.startVoice(-1, data.data(), 0, 8, 0, 0, 0);
    writer.setVolume(32, 512);
    writer.setFrequency(-1, 1);
    writer.setPanning(40, 1);
    writer.stopVoice(32);
}

TEST(TrkMixerTest, TicksFallDueAsTheSourceSays) {
    DiskWriter writer;
    writer.prepare(4);
    ScriptedTicks ticks(100, nullptr);
    std::vector<uint8_t> out(4000);
    EXPECT_EQ(writer.render(out.data(), 250, ticks), 1000u);
    EXPECT_EQ(ticks.ticks, 3);
    EXPECT_EQ(ticks.lastRate, kRate);
    EXPECT_EQ(writer.render(out.data(), 50, ticks), 200u);
    EXPECT_EQ(ticks.ticks, 3) << "the third tick still had 50 frames";
    writer.render(out.data(), 1, ticks);
    EXPECT_EQ(ticks.ticks, 4);
    EXPECT_EQ(writer.render(out.data(), 0, ticks), 0u);
    EXPECT_EQ(ticks.ticks, 4);

    writer.prepare(4);
    writer.render(out.data(), 1, ticks);
    EXPECT_EQ(ticks.ticks, 5) << "prepare starts with a tick";

    writer.prepare(4);
    ScriptedTicks empty(0, nullptr);
    writer.render(out.data(), 5, empty);
    EXPECT_EQ(empty.ticks, 5) << "a tick of no frames lasts one";
}

TEST(TrkMixerTest, FullVolumeByteThroughFourChannelsGives8128) {
    auto data = sampleBytes({127, 127, 127, 127});
    Solo solo(data, 4, kRate, kSampleLooped, 0, 4);
    solo.writer.prepare(4);
    for (int value : solo.render(100)) ASSERT_EQ(value, 8128);
    solo.writer.setVolume(0, 511);
    solo.writer.prepare(4);
    for (int value : solo.render(10)) ASSERT_EQ(value, 8001) << "volume 63";
}

TEST(TrkMixerTest, ChannelCountSetsTheScaleAndTheShift) {
    auto data = sampleBytes({127, 127, 127, 127});
    struct Case {
        int channels;
        bool stereo;
        int left;
        int right;
    } cases[] = {
        {1, false, 32512, 0}, {2, false, 16256, 0}, {4, false, 8128, 0},   {7, false, 4644, 0},
        {8, false, 8128, 0},  {16, false, 8128, 0}, {32, false, 16256, 0}, {4, true, 16256, 0},
        {8, true, 16256, 0},  {2, true, 32512, 0},
    };
    for (const Case& c : cases) {
        DiskWriter writer;
        writer.open(modeOf(c.stereo, true));
        writer.prepare(c.channels);
        ScriptedTicks ticks(1000, [&](int) {
            play(writer, 0, data, 4, kRate, kSampleLooped, 0, 4);
            writer.setPanning(0, 0);
        });
        std::vector<int> values = renderValues(writer, 2, ticks);
        EXPECT_EQ(values[0], c.left) << c.channels << " channels, stereo " << c.stereo;
        if (c.stereo) {
            EXPECT_EQ(values[1], c.right) << c.channels << " channels";
        }
    }
}

TEST(TrkMixerTest, SumsClipAndEightBitOutputCentresOn128) {
    auto high = sampleBytes({127, 127, 127, 127});
    auto low = sampleBytes({-128, -128, -128, -128});
    auto one = sampleBytes({1, 1, 1, 1});
    auto eightVoices = [](DiskWriter& writer, const std::vector<uint8_t>& data) {
        return ScriptedTicks(1000, [&writer, &data](int) {
            for (int v = 0; v < 8; ++v) play(writer, v, data, 4, kRate, kSampleLooped, 0, 4);
        });
    };
    DiskWriter writer;
    writer.open(modeOf(false, true));
    writer.prepare(8);
    auto loud = eightVoices(writer, high);
    EXPECT_EQ(renderValues(writer, 1, loud)[0], 32767);
    writer.prepare(8);
    auto deep = eightVoices(writer, low);
    EXPECT_EQ(renderValues(writer, 1, deep)[0], -32768);

    writer.open(modeOf(false, false));
    writer.prepare(1);
    ScriptedTicks silent(1000, nullptr);
    EXPECT_EQ(renderValues(writer, 1, silent)[0], 128);
    struct Case {
        const std::vector<uint8_t>* data;
        int value;
    } cases[] = {{&high, 255}, {&low, 0}, {&one, 129}};
    for (const Case& c : cases) {
        writer.prepare(1);
        ScriptedTicks ticks(1000, [&](int) { play(writer, 0, *c.data, 4, kRate, kSampleLooped, 0, 4); });
        EXPECT_EQ(renderValues(writer, 1, ticks)[0], c.value);
    }
    writer.prepare(8);
    auto loud8 = eightVoices(writer, high);
    EXPECT_EQ(renderValues(writer, 1, loud8)[0], 255) << "8-bit output clips too";
}

TEST(TrkMixerTest, PanningSplitsBothDataWidths) {
    auto bytes = sampleBytes({127, 127, 127, 127});
    auto points = samplePoints({1000, 1000, 1000, 1000});
    struct Case {
        bool sixteenBit;
        int panning;
        int left;
        int right;
    } cases[] = {
        {false, 0, 32512, 0}, {false, 255, 0, 32512}, {false, 128, 15748, 16256},
        {true, 0, 1000, 0},   {true, 128, 484, 500},
    };
    for (const Case& c : cases) {
        DiskWriter writer;
        writer.open(modeOf(true, true));
        writer.prepare(2);
        ScriptedTicks ticks(1000, [&](int) {
            if (c.sixteenBit) {
                play(writer, 0, points, 8, kRate, kSampleLooped | kSample16Bit, 0, 8);
            } else {
                play(writer, 0, bytes, 4, kRate, kSampleLooped, 0, 4);
            }
            writer.setPanning(0, c.panning);
        });
        std::vector<int> values = renderValues(writer, 3, ticks);
        EXPECT_EQ(values[4], c.left) << "16-bit " << c.sixteenBit << ", panning " << c.panning;
        EXPECT_EQ(values[5], c.right) << "16-bit " << c.sixteenBit << ", panning " << c.panning;
    }
}

TEST(TrkMixerTest, StepFollowsFrequencyAndRate) {
    auto data = sampleBytes(std::vector<int>(64, 0));
    struct Case {
        uint32_t rate;
        int hz;
        uint32_t flags;
        int32_t step;
    } cases[] = {
        {44100, 8363, 0, 194},
        {22050, 8363, 0, 388},
        {44100, 100000, 0, 2321},
        {44100, 100000, kSample16Bit, 4643},  // twice the exact step, not twice the rounded one
        {11025, INT32_MAX, 0, 199457891},
        {11025, INT32_MAX, kSample16Bit, 398915783},
    };
    for (const Case& c : cases) {
        Solo solo(data, 64, c.hz, c.flags);
        solo.writer.open(modeOf(false, true, false, c.rate));
        solo.render(1);
        EXPECT_EQ(solo.voice().step >> kExtraPositionBits, c.step) << c.hz << " Hz at " << c.rate;
    }
}

TEST(TrkMixerTest, VeryLowFrequencyHoldsItsPoint) {
    auto data = sampleBytes({50, 60, 70, 80});
    Solo solo(data, 4, 10);
    for (int value : solo.render(50)) ASSERT_EQ(value, 50 * 256);
    EXPECT_GT(solo.voice().step, 0) << "its pitch kept, however slow";
    EXPECT_TRUE(solo.voice().active);
}

// A second of a low note moves through as many bytes as its frequency, not
// the fewer a step rounded to 1/1024 byte would.
TEST(TrkMixerTest, LowNotesKeepTheirPitch) {
    auto data = sampleBytes(std::vector<int>(4096, 0));
    for (int hz : {1045, 2090, 3301}) {
        Solo solo(data, 4096, hz);
        solo.render(kRate);
        EXPECT_EQ(solo.voice().position >> (10 + kExtraPositionBits), hz - 1) << hz;
    }
}

TEST(TrkMixerTest, FrequencyZeroSilencesAfterTheNextTick) {
    auto data = sampleBytes({100, 100, 100, 100});
    Solo solo(data, 4, kRate, kSampleLooped, 0, 4, false, 10);
    for (int value : solo.render(10)) ASSERT_EQ(value, 100 * 256);
    solo.writer.setFrequency(0, 0);
    for (int value : solo.render(10)) ASSERT_EQ(value, 0);
    EXPECT_FALSE(solo.voice().active);
}

// A note moved to a voice past the song's channels goes on where it stood.
TEST(TrkMixerTest, MovedVoiceContinuesOnAVoiceOfItsOwn) {
    auto data = sampleBytes({1, 2, 3, 4, 5, 6, 7, 8});
    Solo solo(data, 8, kRate);
    EXPECT_EQ(solo.render(3), (std::vector<int>{1 * 256, 2 * 256, 3 * 256}));
    solo.writer.moveVoice(0, 40);
    EXPECT_FALSE(solo.writer.voicePlaying(0));
    EXPECT_TRUE(solo.writer.voicePlaying(40));
    EXPECT_EQ(solo.render(3), (std::vector<int>{4 * 256, 5 * 256, 6 * 256}));
}

TEST(TrkMixerTest, NonLoopingSampleStopsAtItsEnd) {
    auto data = sampleBytes({1, 2, 3, 4, 5, 6, 7, 8});
    Solo solo(data, 8, kRate);
    // Every byte plays, the last one too.
    std::vector<int> expected = {1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 0};
    for (int& value : expected) value *= 256;
    EXPECT_EQ(solo.render(12), expected);
    EXPECT_FALSE(solo.voice().active);
    EXPECT_EQ(solo.voice().position, 0);

    auto points = samplePoints({10, 20, 30});
    EXPECT_EQ(Solo(points, 6, kRate, kSample16Bit).render(5), (std::vector<int>{10, 20, 30, 0, 0}));
}

// A queued sample takes over where the loop ends, with its own loop; one
// without a loop falls silent there.
TEST(TrkMixerTest, QueuedSampleTakesOverAtTheLoopEnd) {
    auto first = sampleBytes({1, 2, 3, 4});
    auto second = sampleBytes({9, 8, 7, 6, 5});
    for (uint32_t flags : {uint32_t{kSampleLooped}, 0u}) {
        Solo solo(first, 4, kRate, kSampleLooped, 2, 4);
        solo.render(1);
        solo.writer.queueSample(0, second.data(), 5, 3, 5, flags);
        std::vector<int> expected = flags ? std::vector<int>{2, 3, 4, 6, 5, 6, 5} : std::vector<int>{2, 3, 4, 0, 0, 0, 0};
        for (int& value : expected) value *= 256;
        EXPECT_EQ(solo.render(7), expected) << flags;
    }
}

TEST(TrkMixerTest, PingPongMirrorsTheOvershootAtBothEnds) {
    auto data = sampleBytes(ramp(16));
    // 1.5 bytes a frame over the loop [4, 12): in 22.10, L0 = 4096 and L1 just
    // below 12288; ticks every 5 frames recompute the step in between.
    Solo solo(data, 16, kRate * 3 / 2, kSampleLooped | kSamplePingPong, 4, 12, false, 5);
    std::vector<int> read = solo.render(9);
    // 12288 > L1 came back just below 12288 and moved on by one step.
    EXPECT_EQ(solo.voice().position >> kExtraPositionBits, 10751);
    EXPECT_EQ(solo.voice().step >> kExtraPositionBits, -1536);
    EXPECT_TRUE(solo.voice().flags & DiskWriter::kBackwards);
    std::vector<int> more = solo.render(6);
    read.insert(read.end(), more.begin(), more.end());
    // 3071 < L0 came back as 5120 and moved on by one step.
    EXPECT_EQ(solo.voice().position >> kExtraPositionBits, 6656);
    EXPECT_EQ(solo.voice().step >> kExtraPositionBits, 1536);
    EXPECT_FALSE(solo.voice().flags & DiskWriter::kBackwards);
    more = solo.render(4);
    read.insert(read.end(), more.begin(), more.end());
    for (int& value : read) value /= 256;
    EXPECT_EQ(read, (std::vector<int>{0, 1, 3, 4, 6, 7, 9, 10, 11, 10, 8, 7, 5, 4, 5, 6, 8, 9, 11}));
}

TEST(TrkMixerTest, StepsLongerThanTheLoopStayInsideIt) {
    auto data = sampleBytes(ramp(16));
    for (uint32_t flags : std::vector<uint32_t>{kSampleLooped, kSampleLooped | kSamplePingPong}) {
        // Ten bytes a frame over the loop [4, 8), whose positions read bytes 4 .. 7.
        Solo solo(data, 16, kRate * 10, flags, 4, 8, false, 7);
        std::vector<int> values = solo.render(200);
        EXPECT_EQ(values[0], 0);
        for (size_t i = 1; i < values.size(); ++i) {
            ASSERT_GE(values[i], 4 * 256) << "flags " << flags << ", frame " << i;
            ASSERT_LE(values[i], 7 * 256) << "flags " << flags << ", frame " << i;
        }
        EXPECT_TRUE(solo.voice().active);
    }
    // The first wrap of the plain loop goes back by its length: 10240 - 4096.
    Solo solo(data, 16, kRate * 10, kSampleLooped, 4, 8);
    EXPECT_EQ(solo.render(2)[1], 6 * 256);
    EXPECT_EQ(solo.voice().position >> kExtraPositionBits, 6144 + 10240);
}

TEST(TrkMixerTest, InterpolationFollowsTheRamp) {
    auto bytes = sampleBytes({0, 16, 32, 48, 64, 80, 96, 112});
    std::vector<int> values = Solo(bytes, 8, kRate / 2, 0, 0, 0, true).render(17);
    for (int k = 0; k < 15; ++k) EXPECT_EQ(values[static_cast<size_t>(k)], k * 8 * 256) << "frame " << k;
    EXPECT_EQ(values[15], 56 * 256) << "the last byte fades into the silence after the end";
    EXPECT_EQ(values[16], 0);
    EXPECT_EQ(Solo(bytes, 8, kRate / 2).render(4), (std::vector<int>{0, 0, 16 * 256, 16 * 256}));

    // Halfway down from 0 to -3 is -2: the shift rounds down.
    auto falling = sampleBytes({0, -3, -3, -3});
    EXPECT_EQ(Solo(falling, 4, kRate / 2, 0, 0, 0, true).render(2)[1], -2 * 256);

    auto points = samplePoints({0, 1000, 2000, 3000});
    EXPECT_EQ(Solo(points, 8, kRate / 2, kSample16Bit, 0, 0, true).render(8),
              (std::vector<int>{0, 500, 1000, 1500, 2000, 2500, 3000, 1500}));
    auto fallingPoints = samplePoints({0, -1, -1});
    EXPECT_EQ(Solo(fallingPoints, 6, kRate / 2, kSample16Bit, 0, 0, true).render(2)[1], -1);
}

TEST(TrkMixerTest, SixteenBitPointsPassThroughAtFullScale) {
    auto points = samplePoints({1000, -2000, 32767, -32768, 5});
    EXPECT_EQ(Solo(points, 10, kRate, kSample16Bit).render(6),
              (std::vector<int>{1000, -2000, 32767, -32768, 5, 0}));
}

TEST(TrkMixerTest, PiecesAndCallsDoNotChangeTheResult) {
    std::vector<int> ramp;
    for (int i = 0; i < 200; ++i) ramp.push_back(i - 100);
    auto data = sampleBytes(ramp);
    for (bool stereo : {false, true}) {
        auto script = [&](DiskWriter& writer) {
            return [&writer, &data](int tick) {
                if (tick == 0) {
                    play(writer, 0, data, 200, 30011, kSampleLooped | kSamplePingPong, 20, 180);
                    play(writer, 1, data, 200, 51234, kSampleLooped, 50, 150);
                    writer.setPanning(0, 40);
                }
                writer.setVolume(1, 8 * (tick % 60));
            };
        };
        DiskWriter whole;
        whole.open(modeOf(stereo, true, true));
        whole.prepare(2);
        ScriptedTicks wholeTicks(9000, script(whole));
        std::vector<int> expected = renderValues(whole, 20000, wholeTicks);
        ASSERT_NE(std::count(expected.begin(), expected.end(), 0), static_cast<long>(expected.size()));

        DiskWriter parts;
        parts.open(modeOf(stereo, true, true));
        parts.prepare(2);
        ScriptedTicks partTicks(9000, script(parts));
        std::vector<int> got;
        for (int i = 0; i < 25; ++i) {
            std::vector<int> part = renderValues(parts, 800, partTicks);
            got.insert(got.end(), part.begin(), part.end());
        }
        EXPECT_EQ(got, expected) << "stereo " << stereo;
    }
}

TEST(TrkMixerTest, LongSamplePlaysPastTwoMebibytes) {
    constexpr int32_t kLength = 3 << 20;
    auto data = slowRamp(kLength);
    // 64 bytes a frame: frame j reads byte 64 j, whose value is j >> 10.
    Solo solo(data, kLength, kRate * 64);
    std::vector<int> values = solo.render(32768);
    EXPECT_EQ(solo.voice().position >> kExtraPositionBits, int64_t{32768} * 65536);
    std::vector<int> more = solo.render(32768);
    values.insert(values.end(), more.begin(), more.end());
    for (size_t j = 0; j < 49152; ++j) ASSERT_EQ(values[j], static_cast<int>(j >> 10) * 256) << "frame " << j;
    for (size_t j = 49152; j < values.size(); ++j) ASSERT_EQ(values[j], 0) << "frame " << j;
    EXPECT_FALSE(solo.voice().active);

    // A ping-pong loop over [1 MiB, 3 MiB) turns back just below 3 GiB in 22.10.
    Solo looped(data, kLength, kRate * 64, kSampleLooped | kSamplePingPong, 1 << 20, kLength);
    looped.render(49152);
    EXPECT_EQ(looped.voice().position >> kExtraPositionBits, int64_t{49152} * 65536);
    EXPECT_EQ(looped.render(1)[0], 47 * 256);
    EXPECT_EQ(looped.voice().position >> kExtraPositionBits, 3221225471 - 65536);
    EXPECT_TRUE(looped.voice().flags & DiskWriter::kBackwards);

    // 2048 bytes a frame through 8 MiB: a piece spans more than 2^32 in 22.10.
    auto large = slowRamp(8 << 20);
    values = Solo(large, 8 << 20, kRate * 2048).render(4100);
    for (size_t j = 0; j < 4096; ++j) ASSERT_EQ(values[j], static_cast<int>(j >> 5) * 256) << "frame " << j;
    for (size_t j = 4096; j < values.size(); ++j) ASSERT_EQ(values[j], 0) << "frame " << j;
}

}  // namespace
}  // namespace tumbor::trk

namespace tumbor::trk {
namespace {

// The amplitude at hz of every stride-th value (Goertzel over a plain sum).
double amplitudeAt(const std::vector<int>& values, size_t stride, double hz, bool eightBit) {
    double re = 0, im = 0;
    size_t n = 0;
    for (size_t i = 0; i < values.size(); i += stride, ++n) {
        const double v = eightBit ? values[i] - 128 : values[i];
        re += v * std::cos(2 * 3.14159265358979 * hz * static_cast<double>(n) / kRate);
        im += v * std::sin(2 * 3.14159265358979 * hz * static_cast<double>(n) / kRate);
    }
    return 2 * std::sqrt(re * re + im * im) / static_cast<double>(n);
}

// A 261 Hz square wave (32 points of +-60 a period at 8363 Hz), as the
// reference player filters it at Z20 and Z10: the fundamental and the
// third and fifth harmonics, each against the unfiltered wave.
TEST(TrkMixerTest, ResonantFilterShapesTheSpectrumAsTheReferenceInEveryMode) {
    struct Cutoff {
        int cutoff;
        double harmonics[3];
    };
    const Cutoff references[] = {{0x20, {1.108, 0.183, 0.067}}, {0x10, {0.700, 0.070, 0.025}}};
    std::vector<int> square;
    for (int i = 0; i < 256; ++i) square.push_back(i % 32 < 16 ? 60 : -60);
    std::vector<int> squarePoints;
    for (int v : square) squarePoints.push_back(v * 256);
    const std::vector<uint8_t> bytes = sampleBytes(square);
    const std::vector<uint8_t> points = samplePoints(squarePoints);
    constexpr uint32_t kSettle = 2000, kFrames = kRate / 2;
    for (int mode = 0; mode < 16; ++mode) {
        const bool stereo = mode & 1, sixteenBitOut = mode & 2, interpolation = mode & 4, wide = mode & 8;
        auto render = [&](const VoiceFilter& filter) {
            DiskWriter writer;
            ScriptedTicks ticks(kFrames + kSettle, [&](int tick) {
                if (tick != 0) return;
                writer.setPanning(0, 128);
                writer.setFilter(0, filter, true);
                play(writer, 0, wide ? points : bytes, wide ? 512 : 256, 8363,
                     kSampleLooped | (wide ? kSample16Bit : 0), 0, wide ? 512 : 256);
            });
            writer.open(modeOf(stereo, sixteenBitOut, interpolation));
            writer.prepare(1);
            std::vector<int> values = renderValues(writer, kFrames + kSettle, ticks);
            return std::vector<int>(values.begin() + kSettle * (stereo ? 2 : 1), values.end());
        };
        const std::vector<int> plain = render(VoiceFilter{});
        for (const Cutoff& reference : references) {
            const std::vector<int> filtered = render(VoiceFilter{true, reference.cutoff, 0, 256});
            for (int h = 0; h < 3; ++h) {
                const double hz = 8363.0 / 32 * (2 * h + 1);
                const double ratio = amplitudeAt(filtered, stereo ? 2 : 1, hz, !sixteenBitOut) /
                                     amplitudeAt(plain, stereo ? 2 : 1, hz, !sixteenBitOut);
                const double expected = reference.harmonics[h];
                EXPECT_NEAR(ratio, expected, std::max(0.1 * expected, 0.012))
                    << "mode " << mode << ", cutoff " << reference.cutoff << ", harmonic " << 2 * h + 1;
            }
        }
    }
}

TEST(TrkMixerTest, FilterHistoryMovesWithTheVoiceUntilCleared) {
    std::vector<int> square;
    for (int i = 0; i < 64; ++i) square.push_back(i % 16 < 8 ? 90 : -90);
    const std::vector<uint8_t> data = sampleBytes(square);
    auto solo = [&]() {
        auto rig = std::make_unique<Solo>(data, 64, kRate, kSampleLooped, 0, 64);
        rig->writer.setFilter(0, VoiceFilter{true, 30, 100, 256}, true);
        return rig;
    };
    auto straight = solo();
    const std::vector<int> whole = straight->render(200);
    auto moved = solo();
    std::vector<int> pieces = moved->render(120);
    moved->writer.moveVoice(0, 40);
    const std::vector<int> rest = moved->render(80);
    pieces.insert(pieces.end(), rest.begin(), rest.end());
    EXPECT_EQ(pieces, whole) << "a note left sounding keeps its filter as it was";
    EXPECT_NE(whole[3], 90 * 256) << "filtered";

    moved->writer.setFilter(40, VoiceFilter{true, 30, 100, 256}, true);
    EXPECT_EQ(moved->writer.voice(40).filterState.y1, 0);
    EXPECT_EQ(moved->writer.voice(40).filterState.y2, 0);
}


// Sample memory of 8-bit bytes or 16-bit points (values on the 8-bit
// scale, the points 256 times them), with guard bytes of noise after it.
std::vector<uint8_t> sampleOf(const std::vector<int>& values, bool wide) {
    std::vector<int> points;
    for (int v : values) points.push_back(v * 256);
    std::vector<uint8_t> memory = wide ? samplePoints(points) : sampleBytes(values);
    for (size_t i = memory.size() - kGuardBytes; i < memory.size(); ++i) memory[i] = 0x55;
    return memory;
}

// One voice, mono 16-bit output, from start to end (points), looping over
// loopStart .. loopEnd when flags say so; the output is on the 16-bit scale.
std::vector<int> renderLoop(const std::vector<int>& values, bool wide, int interpolation, double pointsPerFrame,
                            uint32_t flags, int start, int loopStart, int loopEnd, uint32_t frames) {
    const std::vector<uint8_t> data = sampleOf(values, wide);
    const int unit = wide ? 2 : 1;
    const int hz = static_cast<int>(kRate * pointsPerFrame);
    DiskWriter writer;
    ScriptedTicks ticks(1000000, [&](int tick) {
        if (tick != 0) return;
        writer.setVolume(0, 512);
        writer.setFrequency(0, hz);
        writer.startVoice(0, data.data(), start * unit, static_cast<int32_t>(values.size()) * unit,
                          loopStart * unit, loopEnd * unit, flags | (wide ? kSample16Bit : 0));
    });
    writer.open(modeOf(false, true, interpolation));
    writer.prepare(1);
    return renderValues(writer, frames, ticks);
}

constexpr double kSteps[] = {0.37, 1.0, 2.7};  // points a frame: up, level and down
constexpr uint32_t kLoopKinds[] = {0, kSampleLooped, kSampleLooped | kSamplePingPong};

TEST(TrkMixerTest, EveryInterpolationKeepsAConstantThroughLoopsAndTurns) {
    // 64 points of 77 looping over 16 .. 48; what lies after the loop is
    // never heard, so it differs, as do the guard bytes.
    std::vector<int> values(64, 77);
    for (size_t i = 48; i < values.size(); ++i) values[i] = -77;
    for (int interpolation = kInterpolationNone; interpolation <= kInterpolationSinc; ++interpolation)
        for (bool wide : {false, true})
            for (uint32_t flags : kLoopKinds)
                for (double step : kSteps) {
                    SCOPED_TRACE(testing::Message() << "interpolation " << interpolation << ", 16-bit " << wide
                                                    << ", flags " << flags << ", step " << step);
                    const int end = flags ? 64 : 40;  // a one-shot ends before the -77s
                    std::vector<int> played = renderLoop(std::vector<int>(values.begin(), values.begin() + end), wide,
                                                         interpolation, step, flags, 0, 16, 48, 1200);
                    // Skip the first 4 points, which the sinc reads with the
                    // silence before the sample, and, for a one-shot, the last 5.
                    const auto first = static_cast<size_t>(4 / step) + 1;
                    const size_t last = flags ? played.size() : static_cast<size_t>((end - 5) / step);
                    for (size_t i = first; i < last; ++i) {
                        ASSERT_EQ(played[i], 77 * 256) << "frame " << i;
                    }
                }
}

TEST(TrkMixerTest, ForwardLoopsSoundAsTheLoopWrittenOutAgainAndAgain) {
    std::vector<int> looped{10, -20, 30, -40, 50, -60, 70, -80};  // heard once, before the loop
    for (int i = 0; i < 16; ++i) {
        looped.push_back(static_cast<int>(std::lround(90 * std::sin(i * 0.3927) + 25 * std::cos(i * 1.1781))));
    }
    std::vector<int> unrolled(looped.begin(), looped.begin() + 8);
    for (int repeat = 0; repeat < 300; ++repeat) unrolled.insert(unrolled.end(), looped.begin() + 8, looped.end());
    // After the loop, noise, or the loop's first points as the sample stage copies them.
    std::vector<int> echoed = looped;
    echoed.insert(echoed.end(), looped.begin() + 8, looped.begin() + 16);
    for (int interpolation = kInterpolationNone; interpolation <= kInterpolationSinc; ++interpolation)
        for (bool wide : {false, true})
            for (double step : kSteps) {
                SCOPED_TRACE(testing::Message() << "interpolation " << interpolation << ", 16-bit " << wide
                                                << ", step " << step);
                const std::vector<int> expected = renderLoop(unrolled, wide, interpolation, step, 0, 0, 0, 0, 1500);
                EXPECT_EQ(renderLoop(looped, wide, interpolation, step, kSampleLooped, 0, 8, 24, 1500), expected);
                EXPECT_EQ(renderLoop(echoed, wide, interpolation, step, kSampleLooped, 0, 8, 24, 1500), expected);
            }
}

TEST(TrkMixerTest, PingPongLoopsTurnWithoutAJump) {
    // A ping-pong loop over a rising ramp plays a triangle; the bytes around
    // the loop are far from its ends, so reading them at a turn would jump.
    std::vector<int> values(8, 127);
    for (int i = 0; i < 16; ++i) values.push_back(-100 + 200 * i / 15);
    values.insert(values.end(), 8, -128);
    const double slope = 200.0 / 15 * 256;  // the ramp's rise a point
    for (int interpolation = kInterpolationNone; interpolation <= kInterpolationSinc; ++interpolation)
        for (bool wide : {false, true})
            for (double step : kSteps) {
                SCOPED_TRACE(testing::Message() << "interpolation " << interpolation << ", 16-bit " << wide
                                                << ", step " << step);
                const std::vector<int> played = renderLoop(values, wide, interpolation, step,
                                                           kSampleLooped | kSamplePingPong, 8, 8, 24, 1500);
                const auto first = static_cast<size_t>(4 / step) + 1;  // past the points before the loop
                for (size_t i = first + 1; i < played.size(); ++i) {
                    ASSERT_LE(std::abs(played[i] - played[i - 1]), 1.5 * slope * std::max(step, 1.0)) << "frame " << i;
                    ASSERT_LE(std::abs(played[i]), 110 * 256) << "frame " << i;
                }
            }
}

TEST(TrkMixerTest, RampsReachTheirTargetExactlyAndNeverPassIt) {
    // A constant looped sample, stereo 16-bit: each tick changes the volume
    // or panning, then the note is cut. Ramping ends where plain mixing
    // stands; on the way each side moves only toward it.
    constexpr uint32_t kTick = 400;
    const std::vector<std::function<void(DiskWriter&)>> changes = {
        [](DiskWriter& w) { w.setPanning(0, 64); },  // with the start
        [](DiskWriter& w) { w.setVolume(0, 128); },
        [](DiskWriter& w) { w.setPanning(0, 200); },
        [](DiskWriter& w) { w.stopVoice(0); },
        [](DiskWriter&) {},
    };
    for (bool wide : {false, true})
        for (int interpolation : {kInterpolationNone, kInterpolationSinc}) {
            SCOPED_TRACE(testing::Message() << "16-bit " << wide << ", interpolation " << interpolation);
            const std::vector<uint8_t> data = sampleOf(std::vector<int>(64, 100), wide);
            auto render = [&](bool ramping) {
                DiskWriter writer;
                ScriptedTicks ticks(kTick, [&](int tick) {
                    if (tick == 0) play(writer, 0, data, 64 * (wide ? 2 : 1), kRate, kSampleLooped | (wide ? kSample16Bit : 0), 0, 64 * (wide ? 2 : 1));
                    if (tick < static_cast<int>(changes.size())) changes[static_cast<size_t>(tick)](writer);
                });
                OutputMode mode = modeOf(true, true, interpolation);
                mode.ramping = ramping;
                writer.open(mode);
                writer.prepare(1);
                return renderValues(writer, kTick * static_cast<uint32_t>(changes.size()), ticks);
            };
            const std::vector<int> plain = render(false);
            const std::vector<int> ramped = render(true);
            DiskWriter probe;
            const uint32_t longest = std::max(probe.rampUpFrames(), probe.rampDownFrames());
            for (size_t tick = 0; tick < changes.size(); ++tick)
                for (size_t side = 0; side < 2; ++side) {
                    SCOPED_TRACE(testing::Message() << "tick " << tick << ", side " << side);
                    const size_t first = tick * kTick * 2 + side;
                    const int from = tick == 0 ? 0 : plain[first - 2];
                    const int target = plain[first + (kTick - 1) * 2];
                    int previous = from;
                    for (uint32_t frame = 0; frame < kTick; ++frame) {
                        const int value = ramped[first + frame * 2];
                        ASSERT_LE(std::abs(target - value), std::abs(target - previous)) << "frame " << frame;
                        ASSERT_LE(std::abs(from - value), std::abs(from - target)) << "frame " << frame;
                        if (frame >= longest) {
                            ASSERT_EQ(value, target) << "frame " << frame;
                        }
                        previous = value;
                    }
                    if (from != target) {
                        EXPECT_NE(ramped[first], target) << "glides, not steps";
                    }
                }
            EXPECT_EQ(ramped[probe.rampUpFrames() * 2], plain[probe.rampUpFrames() * 2]) << "a start rises quickly";
            EXPECT_NE(ramped[3 * kTick * 2], 0) << "a cut note sounds on";
        }
}

TEST(TrkMixerTest, StereoSeparationScalesTheDifferenceBetweenTheSides) {
    const std::vector<uint8_t> data = sampleOf(std::vector<int>(64, 40), false);  // 1.5 times stays unclipped
    auto sides = [&](int separation) {
        DiskWriter writer;
        ScriptedTicks ticks(1000, [&](int tick) {
            if (tick != 0) return;
            writer.setPanning(0, 0);
            play(writer, 0, data, 64, kRate, kSampleLooped, 0, 64);
        });
        OutputMode mode = modeOf(true, true);
        mode.stereoSeparation = separation;
        writer.open(mode);
        writer.prepare(1);
        const std::vector<int> values = renderValues(writer, 10, ticks);
        return std::make_pair(values[18], values[19]);
    };
    const int left = sides(100).first;
    EXPECT_EQ(sides(100).second, 0);
    const struct {
        int separation;
        double left, right;
    } expected[] = {{0, 0.5, 0.5}, {50, 0.75, 0.25}, {200, 1.5, -0.5}};
    for (const auto& row : expected) {
        EXPECT_NEAR(sides(row.separation).first, row.left * left, 2) << row.separation;
        EXPECT_NEAR(sides(row.separation).second, row.right * left, 2) << row.separation;
    }
}

}  // namespace
}  // namespace tumbor::trk
