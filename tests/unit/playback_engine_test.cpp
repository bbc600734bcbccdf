// The playback engine's state machine against the simulated wave device and
// a fake module linked into the test.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/simulated_wave_device.h"
#include "player/engine/playback_engine.h"
#include "tests/unit/fake_stream_module.h"

namespace tumbor {
namespace {

using platform::SimulatedWaveDevice;
using testing::FakeModuleConfig;
using testing::FakeStreamModule;

// Waits until condition holds; fails the test after five seconds.
template <typename Condition>
bool eventually(Condition condition) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

class PlaybackEngineTest : public ::testing::Test {
protected:
    void makeEngine(const FakeModuleConfig& config, SimulatedWaveDevice::Pacing pacing,
                    bool extended = false) {
        registry_.registerModule(&FakeStreamModule::configure(config), "fake", 0, nullptr, nullptr,
                                 extended ? FakeStreamModule::extension() : nullptr);
        auto device = std::make_unique<SimulatedWaveDevice>(pacing);
        device_ = device.get();
        engine_ = std::make_unique<PlaybackEngine>(registry_, std::move(device));
        engine_->setSongEndedHandler([this] {
            std::lock_guard<std::mutex> hold(endLock_);
            ++songsEnded_;
            ended_.notify_all();
        });
    }

    // Counts the engine's gapless reports.
    void countGaplessReports() {
        engine_->setGapless(true);
        engine_->setSongDecodedHandler([this] { ++songsDecoded_; });
        engine_->setSongStartedHandler([this] { ++songsStarted_; });
    }

    bool waitForSongEnd() {
        std::unique_lock<std::mutex> hold(endLock_);
        return ended_.wait_for(hold, std::chrono::seconds(5), [this] { return songsEnded_ > 0; });
    }

    // Plays the fake song through once more: the 16-bit samples the device
    // received, none when it did not load or end in time.
    std::vector<int> playFakeSong() {
        device_->clearPlayed();
        songsEnded_ = 0;
        if (engine_->load("fake song") != 1) return {};
        engine_->play();
        if (!waitForSongEnd()) return {};
        const std::vector<uint8_t> played = device_->played();
        std::vector<int> samples;
        for (size_t i = 0; i + 1 < played.size(); i += 2)
            samples.push_back(static_cast<int16_t>(played[i] | played[i + 1] << 8));
        return samples;
    }

    // The fake module's n-th 16-bit sample.
    static int fakeSample(size_t n) {
        return static_cast<int16_t>(testing::fakeSoundByte(2 * n) | testing::fakeSoundByte(2 * n + 1) << 8);
    }

    ModuleRegistry registry_;
    SimulatedWaveDevice* device_ = nullptr;
    std::unique_ptr<PlaybackEngine> engine_;
    std::mutex endLock_;
    std::condition_variable ended_;
    int songsEnded_ = 0;
    std::atomic<int> songsDecoded_{0};
    std::atomic<int> songsStarted_{0};
};


TEST_F(PlaybackEngineTest, BufferSizeFollowsDataRate) {
    struct Case { uint32_t rate, channels, bits; int size; };
    for (Case c : {Case{44100, 2, 16, 32768}, Case{22050, 1, 8, 4096}, Case{44100, 1, 16, 16384},
                   Case{11025, 2, 16, 8192}}) {
        FakeModuleConfig config;
        config.sampleRate = c.rate;
        config.channels = c.channels;
        config.bitsPerSample = c.bits;
        makeEngine(config, SimulatedWaveDevice::Pacing::manual);
        ASSERT_EQ(engine_->load("fake song"), 1) << engine_->message();
        EXPECT_EQ(engine_->bufferSize(), c.size) << c.rate << " Hz " << c.channels << "x" << c.bits;
        EXPECT_EQ(engine_->getState(), PlaybackEngine::kStopped);
        engine_.reset();
        registry_.tearDown();
    }
}

TEST_F(PlaybackEngineTest, BufferCountFromBufferLength) {
    makeEngine(FakeModuleConfig(), SimulatedWaveDevice::Pacing::manual);
    engine_->setBufferLength(20 * 100);
    EXPECT_EQ(engine_->bufferCount(), 10);
    engine_->setBufferLength(0);
    EXPECT_EQ(engine_->bufferCount(), 3);
    engine_->setBufferLength(200 * 100);
    EXPECT_EQ(engine_->bufferCount(), 64);

    // With a device open the ring is rebuilt at once, and never overfilled.
    engine_->setBufferLength(0);
    ASSERT_EQ(engine_->load("fake song"), 1);
    engine_->play();
    ASSERT_TRUE(eventually([&] { return device_->queuedCount() == 2; }));
    engine_->setBufferLength(20 * 100);
    EXPECT_EQ(engine_->bufferCount(), 10);
    EXPECT_EQ(engine_->getState(), PlaybackEngine::kPlaying);
    ASSERT_TRUE(eventually([&] { return device_->queuedCount() == 9; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(device_->peakQueuedCount(), 9);
}

TEST_F(PlaybackEngineTest, DeviceKeptForSameFormatReopenedForOther) {
    makeEngine(FakeModuleConfig(), SimulatedWaveDevice::Pacing::manual);
    ASSERT_EQ(engine_->load("fake one"), 1);
    ASSERT_EQ(engine_->load("fake two"), 1);
    EXPECT_EQ(device_->openCount(), 1);
    EXPECT_EQ(device_->closeCount(), 0);

    FakeModuleConfig other;
    other.sampleRate = 22050;
    engine_->unload();
    FakeStreamModule::configure(other);
    ASSERT_EQ(engine_->load("fake three"), 1);
    EXPECT_EQ(device_->openCount(), 2);
    EXPECT_EQ(device_->closeCount(), 1);
    EXPECT_EQ(device_->currentFormat().sampleRate, 22050u);
}

TEST_F(PlaybackEngineTest, PlaysEveryByteInOrderThenAdvances) {
    FakeModuleConfig config;
    config.totalBytes = 200000;  // 6.1 buffers of 32768
    makeEngine(config, SimulatedWaveDevice::Pacing::fast);
    engine_->setBufferLength(0);  // three buffers: the ring wraps many times
    ASSERT_EQ(engine_->load("fake song"), 1);
    engine_->play();
    ASSERT_TRUE(waitForSongEnd());

    std::vector<uint8_t> played = device_->played();
    ASSERT_EQ(played.size(), 7u * 32768u);
    for (uint32_t i = 0; i < config.totalBytes; ++i)
        ASSERT_EQ(played[i], testing::fakeSoundByte(i)) << "at byte " << i;
    EXPECT_LE(device_->peakQueuedCount(), 2);
    EXPECT_EQ(engine_->getState(), PlaybackEngine::kStopped);
    EXPECT_EQ(engine_->currentModule(), nullptr);
    EXPECT_TRUE(device_->isOpen());  // kept for the next song
    EXPECT_EQ(FakeStreamModule::notifications(), (std::vector<int>{NOTIFY_PLAY, NOTIFY_STOP}));
    EXPECT_EQ(FakeStreamModule::seeks(), std::vector<int>{0});
}

TEST_F(PlaybackEngineTest, AdvanceOffClosesDeviceWithEmptyMessage) {
    FakeModuleConfig config;
    config.totalBytes = 50000;
    makeEngine(config, SimulatedWaveDevice::Pacing::fast);
    engine_->setAdvance(false);
    ASSERT_EQ(engine_->load("fake song"), 1);
    engine_->play();
    ASSERT_TRUE(eventually([&] { return !device_->isOpen(); }));
    EXPECT_EQ(engine_->getState(), PlaybackEngine::kStopped);
    EXPECT_EQ(engine_->message(), "");
    EXPECT_EQ(songsEnded_, 0);
    EXPECT_EQ(FakeStreamModule::closeCount(), 1);
}

TEST_F(PlaybackEngineTest, PauseResumeAndStopNotifyTheModule) {
    makeEngine(FakeModuleConfig(), SimulatedWaveDevice::Pacing::manual);
    ASSERT_EQ(engine_->load("fake song"), 1);
    engine_->play();
    ASSERT_TRUE(eventually([&] { return device_->queuedCount() == 7; }));
    engine_->pause();
    EXPECT_EQ(engine_->getState(), PlaybackEngine::kPaused);
    EXPECT_TRUE(device_->paused());
    engine_->play();
    EXPECT_EQ(engine_->getState(), PlaybackEngine::kPlaying);
    EXPECT_FALSE(device_->paused());
    ASSERT_TRUE(device_->playNext());
    ASSERT_TRUE(eventually([&] { return device_->queuedCount() == 7; }));  // refilled

    EXPECT_EQ(engine_->stop(1), 1);
    EXPECT_EQ(engine_->stop(1), 0);  // nothing loaded any more
    EXPECT_EQ(device_->queuedCount(), 0);
    EXPECT_EQ(FakeStreamModule::notifications(),
              (std::vector<int>{NOTIFY_PLAY, NOTIFY_PAUSE, NOTIFY_RESUME, NOTIFY_STOP}));
    EXPECT_EQ(FakeStreamModule::closeCount(), 1);
}

TEST_F(PlaybackEngineTest, ModuleWithoutPcmIsOnlyPolledAndNotified) {
    FakeModuleConfig config;
    config.pcm = false;
    config.pollsUntilEnd = 3;
    makeEngine(config, SimulatedWaveDevice::Pacing::manual);
    ASSERT_EQ(engine_->load("fake track"), 1);
    EXPECT_FALSE(device_->isOpen());
    EXPECT_EQ(engine_->getQueuedTenths(), 0);
    engine_->play();
    engine_->pause();
    EXPECT_EQ(engine_->getState(), PlaybackEngine::kPaused);
    EXPECT_EQ(device_->openCount(), 0);
    engine_->play();
    ASSERT_TRUE(waitForSongEnd());  // decode answered 0 on the fourth poll
    EXPECT_EQ(FakeStreamModule::notifications(),
              (std::vector<int>{NOTIFY_PLAY, NOTIFY_PAUSE, NOTIFY_RESUME, NOTIFY_STOP}));
}

TEST_F(PlaybackEngineTest, SeekRequestsAndGauge) {
    FakeModuleConfig config;
    config.pcm = false;  // polled: no queued sound in the gauge
    config.totalBytes = 176400 * 10;  // 100 tenths
    config.reportedPosition = 50;
    makeEngine(config, SimulatedWaveDevice::Pacing::manual);
    ASSERT_EQ(engine_->load("fake song"), 1);
    EXPECT_EQ(engine_->getGaugePosition(1000), 0);  // stopped
    engine_->play();
    EXPECT_EQ(engine_->getGaugePosition(1000), 500);
    FakeStreamModule::setReportedPosition(40);
    EXPECT_EQ(engine_->getGaugePosition(1000), 500);  // never backwards
    FakeStreamModule::setReportedPosition(60);
    EXPECT_EQ(engine_->getGaugePosition(1000), 600);

    // Past the end is clamped to the very end: the seek lands at the length.
    engine_->requestSeek(150, 100);
    ASSERT_TRUE(eventually([] { return FakeStreamModule::seeks().size() == 1; }));
    EXPECT_EQ(FakeStreamModule::seeks()[0], 100);
    // After a seek the gauge may go back once.
    FakeStreamModule::setReportedPosition(10);
    EXPECT_EQ(engine_->getGaugePosition(1000), 100);
    FakeStreamModule::setReportedPosition(5);
    EXPECT_EQ(engine_->getGaugePosition(1000), 100);

    // Before the start is the start; while such a request is pending the gauge shows 0.
    engine_->stop(1);
    FakeStreamModule::configure([&] { FakeModuleConfig noSeek = config; noSeek.hasSeek = false; return noSeek; }());
    ASSERT_EQ(engine_->load("fake song"), 1);
    engine_->play();
    engine_->requestSeek(-5, 100);
    EXPECT_EQ(engine_->getGaugePosition(1000), 0);
    engine_->requestSeek(5, 0);  // no width: ignored
    EXPECT_EQ(engine_->getGaugePosition(1000), 0);

    // Skips go 5 s either way; releasing the button clears a skip not yet done.
    engine_->requestSkip(true);
    engine_->clearSkip();
    EXPECT_NE(engine_->getGaugePosition(1000), 0);
}

TEST_F(PlaybackEngineTest, SkipsMoveFiveSecondsFromThePosition) {
    FakeModuleConfig config;
    config.pcm = false;
    config.reportedPosition = 100;
    makeEngine(config, SimulatedWaveDevice::Pacing::manual);
    ASSERT_EQ(engine_->load("fake song"), 1);
    engine_->play();
    engine_->requestSkip(true);
    ASSERT_TRUE(eventually([] { return FakeStreamModule::seeks().size() == 1; }));
    engine_->requestSkip(false);
    ASSERT_TRUE(eventually([] { return FakeStreamModule::seeks().size() == 2; }));
    EXPECT_EQ(FakeStreamModule::seeks(), (std::vector<int>{150, 50}));
}

TEST_F(PlaybackEngineTest, FailuresGiveTheirMessages) {
    makeEngine(FakeModuleConfig(), SimulatedWaveDevice::Pacing::manual);
    EXPECT_EQ(engine_->load("song.xyz"), 0);
    EXPECT_EQ(engine_->message(), "Unknown file format : song.xyz");

    struct Case { uint32_t result; const char* message; };
    for (Case c : {Case{platform::kWaveAllocated, "Device is already in use"},
                   Case{platform::kWaveBadDeviceId, "Device specified does not exist. Choose another device"},
                   Case{platform::kWaveNoDriver, "No device driver present"},
                   Case{platform::kWaveNoMemory, "Not enough memory to allocate sound device"},
                   Case{platform::kWaveBadFormat, "Current device can`t handle this format"},
                   Case{platform::kWaveNoDriverCallback,
                        "Error while registering callback function. Restart player (or Windows)."},
                   Case{1234, "Unknown error encountered: 1234"}}) {
        device_->failOpenWith(c.result);
        EXPECT_EQ(engine_->load("fake song"), 0);
        EXPECT_EQ(engine_->message(), c.message);
        EXPECT_EQ(engine_->getState(), PlaybackEngine::kStopped);
        EXPECT_NE(engine_->currentModule(), nullptr);  // the module stays loaded
    }
    device_->failOpenWith(platform::kWaveOk);

    device_->failPrepareAt(2);
    EXPECT_EQ(engine_->load("fake song"), 0);
    EXPECT_EQ(engine_->message(), "Unable to allocate buffer memory");
    EXPECT_FALSE(device_->isOpen());
    device_->failPrepareAt(-1);

    FakeModuleConfig failing;
    failing.startFails = true;
    engine_->unload();
    FakeStreamModule::configure(failing);
    EXPECT_EQ(engine_->load("fake song"), 0);
    EXPECT_EQ(engine_->message(), "File format not supported yet");
    EXPECT_EQ(engine_->currentModule(), nullptr);
    failing.startError = "Broken stream.";
    FakeStreamModule::configure(failing);
    EXPECT_EQ(engine_->load("fake song"), 0);
    EXPECT_EQ(engine_->message(), "Broken stream.");
    EXPECT_EQ(FakeStreamModule::record().errorText, nullptr);  // freed by close
}

TEST_F(PlaybackEngineTest, FailedDeviceChangeRestoresPreviousDevice) {
    makeEngine(FakeModuleConfig(), SimulatedWaveDevice::Pacing::manual);
    device_->setDeviceCount(2);
    EXPECT_EQ(engine_->setDevice(1), 1);  // nothing open: only stored
    EXPECT_EQ(device_->openCount(), 0);
    ASSERT_EQ(engine_->load("fake song"), 1);
    EXPECT_EQ(device_->currentDeviceId(), 1);
    engine_->play();

    EXPECT_EQ(engine_->setDevice(5), 0);
    EXPECT_EQ(engine_->message(), "Device specified does not exist. Choose another device");
    EXPECT_TRUE(device_->isOpen());
    EXPECT_EQ(device_->currentDeviceId(), 1);
    EXPECT_EQ(engine_->getState(), PlaybackEngine::kStopped);  // the module waits at its position

    engine_->play();
    EXPECT_EQ(engine_->setDevice(0), 1);
    EXPECT_EQ(device_->currentDeviceId(), 0);
    EXPECT_EQ(engine_->getState(), PlaybackEngine::kPlaying);  // carries on
}

TEST_F(PlaybackEngineTest, NowPlayingSnapshot) {
    FakeModuleConfig config;
    config.totalBytes = 176400 * 4;  // 40 tenths
    makeEngine(config, SimulatedWaveDevice::Pacing::manual);
    EXPECT_FALSE(engine_->nowPlaying().loaded);
    ASSERT_EQ(engine_->load("fake\\music/song.wav"), 1);
    NowPlaying now = engine_->nowPlaying();
    EXPECT_TRUE(now.loaded);
    EXPECT_EQ(now.title, "song.wav");  // no title text: the file name without its folder
    EXPECT_EQ(now.lengthTenths, 40);
    EXPECT_TRUE(now.canSeek);
    EXPECT_EQ(now.sampleRate, 44100);
    EXPECT_EQ(now.bitrate, 1411200);
    engine_->play();
    ASSERT_TRUE(eventually([&] { return device_->queuedCount() == 7; }));
    int before = engine_->nowPlaying().heardTenths;
    EXPECT_LE(before, 0);  // decoded, but none of it heard yet
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(device_->playNext());
    // Three buffers are 5.6 tenths, once the output thread has refilled the ring.
    EXPECT_TRUE(eventually([&] { return engine_->nowPlaying().heardTenths >= before + 5; }));
}

TEST_F(PlaybackEngineTest, VolumeScalesToBothChannels) {
    makeEngine(FakeModuleConfig(), SimulatedWaveDevice::Pacing::manual);
    engine_->setVolume(0x8000, 0x10000);
    ASSERT_EQ(engine_->load("fake song"), 1);
    EXPECT_EQ(device_->volume(), 0x7FFF7FFFu);  // applied at open
    engine_->setVolume(0x20000, 0x10000);       // limited to the maximum
    EXPECT_EQ(device_->volume(), 0xFFFFFFFFu);
    engine_->setVolume(5, 0);                   // no maximum: ignored
    EXPECT_EQ(device_->volume(), 0xFFFFFFFFu);
}

TEST_F(PlaybackEngineTest, LentSoundIsTheDevicesAndStaysWhileBorrowed) {
    makeEngine(FakeModuleConfig(), SimulatedWaveDevice::Pacing::manual);
    EXPECT_FALSE(
        engine_->lendPlayingSound([](const PlayingSound&) { ADD_FAILURE() << "no device, no sound"; }));
    ASSERT_EQ(engine_->load("fake song"), 1);
    engine_->play();
    ASSERT_TRUE(eventually([&] { return device_->queuedCount() > 0; }));
    ASSERT_TRUE(device_->playNext());
    PlayingSound lent;
    ASSERT_TRUE(engine_->lendPlayingSound([&](const PlayingSound& sound) {
        lent = sound;
        ASSERT_NE(sound.buffer(sound.ringHead), nullptr);
        EXPECT_EQ(sound.buffer(sound.bufferCount), nullptr);
    }));
    EXPECT_EQ(lent.state, PlaybackEngine::kPlaying);
    EXPECT_EQ(lent.bufferSize, 32768);
    EXPECT_EQ(lent.bufferCount, engine_->bufferCount());
    EXPECT_EQ(lent.positionBytes, 32768u);
    EXPECT_EQ(lent.format, platform::WaveFormat());
}

// A borrower reads every byte of the lent buffers while the device is given
// another buffer count, reopened in another format and closed: ASan sees a
// read of a freed buffer, TSan one not ordered after the buffers' change.
// Nothing is decoded meanwhile (the ring is full and the device paced by
// hand), so the bytes themselves are not being written under the reader.
TEST_F(PlaybackEngineTest, LentBuffersAreNeverFreedUnderTheBorrower) {
    FakeModuleConfig small;
    small.sampleRate = 22050;
    small.channels = 1;
    small.bitsPerSample = 8;
    makeEngine(FakeModuleConfig(), SimulatedWaveDevice::Pacing::manual);
    enum class Turn { hold, read, quit };
    std::mutex lock;
    std::condition_variable changed;
    Turn turn = Turn::hold;
    bool holding = true;
    int lends = 0;
    unsigned sum = 0;
    // The borrower lends only while it is its turn to read; holding says it is not lending.
    std::thread borrower([&] {
        std::unique_lock<std::mutex> hold(lock);
        while (turn != Turn::quit) {
            if (turn == Turn::hold) {
                holding = true;
                changed.notify_all();
                changed.wait(hold, [&] { return turn != Turn::hold; });
                continue;
            }
            holding = false;
            hold.unlock();
            engine_->lendPlayingSound([&](const PlayingSound& sound) {
                for (int b = 0; b < sound.bufferCount; ++b)
                    if (const uint8_t* data = sound.buffer(b))
                        for (int i = 0; i < sound.bufferSize; i += 61) sum += data[i];
                ++lends;
            });
            hold.lock();
        }
    });
    auto setTurn = [&](Turn next) {
        std::unique_lock<std::mutex> hold(lock);
        turn = next;
        changed.notify_all();
        if (next == Turn::hold) changed.wait(hold, [&] { return holding; });
    };
    for (int round = 0; round < 20; ++round) {
        FakeStreamModule::configure(FakeModuleConfig());
        ASSERT_EQ(engine_->load("fake song"), 1);
        engine_->play();
        ASSERT_TRUE(eventually([&] { return device_->queuedCount() == engine_->bufferCount() - 1; }));
        setTurn(Turn::read);
        engine_->pause();
        engine_->setBufferLength(round % 2 ? 500 : 2000);
        engine_->unload();
        FakeStreamModule::configure(small);
        ASSERT_EQ(engine_->load("fake song"), 1);
        engine_->closeDevice();
        engine_->unload();
        setTurn(Turn::hold);
    }
    setTurn(Turn::quit);
    borrower.join();
    EXPECT_GT(lends, 0);
    EXPECT_GT(sum, 0u);
}

TEST_F(PlaybackEngineTest, GaplessHandOverFollowsWithoutAGapAndTheDisplayFollowsTheSound) {
    FakeModuleConfig config;
    config.totalBytes = 50000;  // a full buffer and a short one
    makeEngine(config, SimulatedWaveDevice::Pacing::manual, true);
    countGaplessReports();
    ASSERT_EQ(engine_->load("fake one"), 1);
    engine_->play();
    ASSERT_TRUE(eventually([&] { return songsDecoded_ == 1; }));
    EXPECT_EQ(device_->queuedCount(), 2);

    FakeStreamModule::setTotalBytes(40000);
    ASSERT_EQ(engine_->handOver("fake two"), PlaybackEngine::HandOver::handedOver);
    ASSERT_TRUE(eventually([&] { return device_->queuedCount() == 4; }));
    EXPECT_EQ(engine_->handOver("fake three"), PlaybackEngine::HandOver::notApplicable)
        << "the second song is handed on only once it is heard";
    EXPECT_EQ(engine_->nowPlaying().title, "fake one");
    EXPECT_EQ(engine_->currentFile(), "fake one");
    ASSERT_TRUE(device_->playNext());
    EXPECT_EQ(engine_->nowPlaying().title, "fake one");
    EXPECT_EQ(songsStarted_, 0);
    ASSERT_TRUE(device_->playNext());  // the last sound of the first song
    ASSERT_TRUE(eventually([&] { return songsStarted_ == 1; }));
    EXPECT_EQ(engine_->nowPlaying().title, "fake two");
    EXPECT_EQ(engine_->nowPlaying().lengthTenths, static_cast<int>(40000 / 17640));

    ASSERT_TRUE(eventually([&] {
        device_->playNext();
        std::lock_guard<std::mutex> hold(endLock_);
        return songsEnded_ > 0;
    }));
    std::vector<uint8_t> expected;
    for (uint32_t song : {50000u, 40000u})
        for (uint32_t i = 0; i < song; ++i) expected.push_back(testing::fakeSoundByte(i));
    EXPECT_EQ(device_->played(), expected);
    EXPECT_EQ(device_->openCount(), 1);
    EXPECT_EQ(FakeStreamModule::closeCount(), 2);
}

TEST_F(PlaybackEngineTest, HeardPositionAfterAHandOverIsTheNewSongsSoundPlayed) {
    FakeModuleConfig config;
    config.totalBytes = 36000;  // its last buffer is short: the next song starts mid-buffer on the device
    makeEngine(config, SimulatedWaveDevice::Pacing::manual, true);
    countGaplessReports();
    ASSERT_EQ(engine_->load("fake one"), 1);
    engine_->play();
    ASSERT_TRUE(eventually([&] { return songsDecoded_ == 1; }));
    FakeStreamModule::setTotalBytes(400000);
    ASSERT_EQ(engine_->handOver("fake two"), PlaybackEngine::HandOver::handedOver);
    ASSERT_TRUE(eventually([&] { return device_->queuedCount() == 7; }));
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(device_->playNext());
    ASSERT_TRUE(eventually([&] { return songsStarted_ == 1; }));

    // From the new song's first sample (0, never less) on, buffer by buffer.
    for (int buffers = 0; buffers < 5; ++buffers) {
        const size_t heardBytes = device_->played().size() - config.totalBytes;
        EXPECT_EQ(engine_->nowPlaying().heardTenths, static_cast<int>(heardBytes * 10 / 176400))
            << buffers << " buffers of the new song played";
        ASSERT_TRUE(device_->playNext());
    }
}

TEST_F(PlaybackEngineTest, GaplessHandOverToAnotherFormatPlaysTheSongOutFirst) {
    FakeModuleConfig config;
    config.totalBytes = 50000;
    makeEngine(config, SimulatedWaveDevice::Pacing::realTime, true);
    countGaplessReports();
    ASSERT_EQ(engine_->load("fake one"), 1);
    engine_->play();
    ASSERT_TRUE(eventually([&] { return songsDecoded_ == 1; }));
    FakeStreamModule::setSampleRate(22050);
    EXPECT_EQ(engine_->handOver("fake two"), PlaybackEngine::HandOver::loaded);
    EXPECT_EQ(engine_->getState(), PlaybackEngine::kStopped);
    EXPECT_EQ(device_->played().size(), 50000u);
    EXPECT_EQ(device_->currentFormat().sampleRate, 22050u);

    // Without a song playing out nothing is done; with gapless off neither.
    EXPECT_EQ(engine_->handOver("fake three"), PlaybackEngine::HandOver::notApplicable);
    engine_->setGapless(false);
    engine_->play();
    ASSERT_TRUE(waitForSongEnd());
    EXPECT_EQ(songsDecoded_, 1);
}

TEST_F(PlaybackEngineTest, ReplayGainScalesOnlyTaggedSongsWhenOn) {
    FakeModuleConfig config;
    config.totalBytes = 32768;
    config.tellsLoudness = true;
    config.loudness.present = loudnessTrackGain | loudnessAlbumGain;
    config.loudness.trackGain = -602;
    config.loudness.albumGain = 0;
    makeEngine(config, SimulatedWaveDevice::Pacing::fast, true);
    struct Case { int mode; bool halved; };
    for (Case c : {Case{ReplayGainSettings::off, false}, Case{ReplayGainSettings::track, true},
                   Case{ReplayGainSettings::album, false}}) {
        ReplayGainSettings settings;
        settings.mode = c.mode;
        engine_->setReplayGain(settings);
        const std::vector<int> played = playFakeSong();
        ASSERT_EQ(played.size(), 16384u);
        for (size_t i = 0; i < played.size(); ++i) {
            int expected = c.halved ? fakeSample(i) / 2 : fakeSample(i);
            ASSERT_LE(std::abs(played[i] - expected), 1) << "mode " << c.mode << " at " << i;
        }
    }
}

TEST_F(PlaybackEngineTest, EqualizerFiltersOnlyWhenItChangesTheSound) {
    FakeModuleConfig config;
    config.totalBytes = 32768;
    makeEngine(config, SimulatedWaveDevice::Pacing::fast);
    EqualizerSettings quieter;
    quieter.preampTenths = -60;  // half, near enough
    EqualizerSettings flat;
    flat.enabled = true;
    struct Case { EqualizerSettings settings; bool enabled, halved; };
    for (Case c : {Case{quieter, false, false}, Case{flat, true, false}, Case{quieter, true, true}}) {
        c.settings.enabled = c.enabled;
        engine_->setEqualizer(c.settings);
        EXPECT_TRUE(engine_->equalizer() == c.settings);
        const std::vector<int> played = playFakeSong();
        ASSERT_EQ(played.size(), 16384u);
        for (size_t i = 0; i < played.size(); ++i) {
            const int in = fakeSample(i);
            if (c.halved)
                ASSERT_EQ(played[i], static_cast<int>(std::nearbyint(in * std::pow(10.0, -0.3)))) << "at " << i;
            else
                ASSERT_EQ(played[i], in) << "at " << i;
        }
    }
}

}  // namespace
}  // namespace tumbor
