// The visualization host running the test plug-in on its thread over the real
// engine: what the module receives while playing, paused and stopped, the
// stop hand-shake and its 300 ms limit, a plug-in that stops itself,
// configure, and the failures that start nothing.
#include "player/window/vis_host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/dynamic_library.h"
#include "platform/simulated_wave_device.h"
#include "player/window/vis_frame.h"
#include "tests/unit/fake_stream_module.h"

namespace tumbor {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using testing::FakeModuleConfig;
using testing::FakeStreamModule;

#if defined(_WIN32)
const char* const kPluginFile = "vis_test_plugin.dll";
void setLogVariable(const std::string& path) { _putenv_s("TUMBOR_VIS_LOG", path.c_str()); }
#else
const char* const kPluginFile = "vis_test_plugin.so";
void setLogVariable(const std::string& path) { setenv("TUMBOR_VIS_LOG", path.c_str(), 1); }
#endif

template <typename Condition>
bool eventually(Condition condition) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

int hexDigit(char c) { return c <= '9' ? c - '0' : c - 'a' + 10; }

// One render line: the waveform's two channels and the spectrum's two.
struct Render {
    int module = -1;
    VisChannels waveform{};
    VisChannels spectrum{};

    bool allZero() const {
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < kVisFrames; ++i)
                if (waveform[c][i] || spectrum[c][i]) return false;
        return true;
    }
};

bool parseChannel(std::istringstream& in, uint8_t* out) {
    std::string hex;
    in >> hex;
    if (hex.size() != 2 * kVisFrames) return false;
    for (int i = 0; i < kVisFrames; ++i)
        out[i] = static_cast<uint8_t>(hexDigit(hex[2 * i]) * 16 + hexDigit(hex[2 * i + 1]));
    return true;
}

class VisHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        log_ = (fs::temp_directory_path() /
                (std::string("tumbor_vis_host_") +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log"))
                   .string();
        fs::remove(log_);
        setLogVariable(log_);
        registry_.registerModule(&FakeStreamModule::configure(FakeModuleConfig()), "fake", 0, nullptr,
                                 nullptr);
        settings_.pluginPath = platform::programFolder() + "visplugins" + platform::pathSeparator();
        settings_.pluginLibrary = kPluginFile;
        host_.setMainWindow(&mainWindow_);
    }

    void TearDown() override {
        engine_.stop(1);
        engine_.closeDevice();
        registry_.tearDown();
    }

    std::vector<std::string> lines() const {
        std::vector<std::string> result;
        std::ifstream in(log_, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) result.push_back(line);
        return result;
    }
    std::vector<Render> renders() const {
        std::vector<Render> result;
        for (const std::string& line : lines()) {
            std::istringstream in(line);
            std::string word;
            Render render;
            in >> word >> render.module;
            if (word != "render") continue;
            if (parseChannel(in, render.waveform[0]) && parseChannel(in, render.waveform[1]) &&
                parseChannel(in, render.spectrum[0]) && parseChannel(in, render.spectrum[1]))
                result.push_back(render);
        }
        return result;
    }
    int count(const std::string& prefix) const {
        int n = 0;
        for (const std::string& line : lines()) n += line.rfind(prefix, 0) == 0;
        return n;
    }
    // The render that came more renders after now.
    Render renderAfter(size_t more) const {
        const size_t wanted = renders().size() + more;
        EXPECT_TRUE(eventually([&] { return renders().size() >= wanted; })) << "renders stopped coming";
        std::vector<Render> all = renders();
        return all.empty() ? Render() : all.back();
    }
    // Plays the fake song and waits until the output thread has filled the
    // ring: buffer 1 plays, from the song's first byte.
    void playSong() {
        ASSERT_EQ(engine_.load("fake song"), 1);
        engine_.play();
        ASSERT_TRUE(eventually([&] { return engine_.ringHead() == 1 && device_->queuedCount() > 0; }));
    }
    // What the module should see of the fake song: 16-bit stereo from its start.
    static Render expectedRender() {
        Render render;
        for (int i = 0; i < kVisFrames; ++i) {
            render.waveform[0][i] = testing::fakeSoundByte(uint32_t(4 * i + 1));
            render.waveform[1][i] = testing::fakeSoundByte(uint32_t(4 * i + 3));
        }
        computeSpectrum(buildVisTables(), render.waveform, render.spectrum);
        return render;
    }
    // Toggles and answers how long the toggle took.
    std::chrono::milliseconds timedToggle() {
        const auto start = Clock::now();
        host_.toggle();
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    }

    std::string log_;
    ModuleRegistry registry_;
    platform::SimulatedWaveDevice* device_ =
        new platform::SimulatedWaveDevice(platform::SimulatedWaveDevice::Pacing::manual);
    PlaybackEngine engine_{registry_, std::unique_ptr<platform::WaveDevice>(device_)};
    Settings settings_;
    int mainWindow_ = 0;
    VisHost host_{settings_, engine_};
};

TEST_F(VisHostTest, RunsTheModuleOnTheSoundPlayingAndStopsQuickly) {
    playSong();
    host_.toggle();
    EXPECT_TRUE(host_.running());
    const Render render = renderAfter(3);
    EXPECT_EQ(lines().front(), "init 0 rate=44100 channels=2 parent=1 instance=1");
    const Render expected = expectedRender();
    EXPECT_EQ(0, std::memcmp(render.waveform, expected.waveform, sizeof expected.waveform)) << "the waveform";
    EXPECT_EQ(0, std::memcmp(render.spectrum, expected.spectrum, sizeof expected.spectrum)) << "the spectrum";

    const std::chrono::milliseconds took = timedToggle();
    EXPECT_LT(took.count(), 300) << "stopping waits for the plug-in's quit only";
    EXPECT_FALSE(host_.running());
    EXPECT_FALSE(host_.libraryLoaded()) << "a plug-in that ended has its library released";
    EXPECT_EQ(lines().back(), "quit 0");
    EXPECT_EQ(count("init"), 1);
}

TEST_F(VisHostTest, ZerosWhilePausedStoppedOrWithoutDevice) {
    playSong();
    host_.toggle();
    EXPECT_FALSE(renderAfter(2).allZero()) << "sound while playing";
    engine_.pause();
    EXPECT_TRUE(renderAfter(2).allZero()) << "paused";
    engine_.play();
    EXPECT_FALSE(renderAfter(2).allZero()) << "resumed";
    engine_.stop(1);
    EXPECT_TRUE(renderAfter(2).allZero()) << "stopped with the device open";
    engine_.closeDevice();
    EXPECT_TRUE(renderAfter(2).allZero()) << "no device";
    host_.toggle();
    EXPECT_FALSE(host_.running());
}

TEST_F(VisHostTest, AModuleWithoutSpectrumKeepsItsSpectrumBytes) {
    settings_.pluginModule = 1;
    playSong();
    host_.toggle();
    const Render render = renderAfter(2);
    EXPECT_EQ(0, std::memcmp(render.waveform, expectedRender().waveform, sizeof render.waveform));
    for (int i = 0; i < kVisFrames; ++i) ASSERT_EQ(render.spectrum[1][i], 0x5A) << i;
    host_.toggle();
}

TEST_F(VisHostTest, APluginSlowToEndKeepsItsLibraryUntilItHasEnded) {
    settings_.pluginModule = 2;  // takes 600 ms to quit
    host_.toggle();
    renderAfter(1);
    const std::chrono::milliseconds took = timedToggle();
    EXPECT_GE(took.count(), 290) << "30 steps of 10 ms";
    EXPECT_LT(took.count(), 600);
    EXPECT_TRUE(host_.running()) << "still in its quit";
    EXPECT_TRUE(host_.libraryLoaded());
    ASSERT_TRUE(eventually([&] { return !host_.running(); }));
    EXPECT_EQ(lines().back(), "quit 2");
    EXPECT_TRUE(host_.libraryLoaded()) << "released by the next toggle only";

    host_.toggle();  // releases the old library and starts afresh
    EXPECT_TRUE(host_.running());
    ASSERT_TRUE(eventually([&] { return count("init") == 2; }));
    host_.toggle();
    ASSERT_TRUE(eventually([&] { return !host_.running(); }));
}

TEST_F(VisHostTest, APluginThatAsksToStopEndsItsThread) {
    settings_.pluginModule = 3;  // asks at its third timed frame
    host_.toggle();
    ASSERT_TRUE(eventually([&] { return !host_.running(); }));
    const std::vector<std::string> all = lines();
    EXPECT_EQ(count("render"), 4) << "the first render and three timed ones";
    EXPECT_EQ(all.back(), "quit 3");
    EXPECT_TRUE(host_.libraryLoaded());
    host_.toggle();
    EXPECT_TRUE(host_.running()) << "the next toggle starts it again";
    ASSERT_TRUE(eventually([&] { return count("quit") == 2; }));
}

TEST_F(VisHostTest, AToggleRightAfterStartingStopsIt) {
    host_.toggle();
    const std::chrono::milliseconds took = timedToggle();
    EXPECT_LT(took.count(), 300);
    EXPECT_FALSE(host_.running());
    EXPECT_FALSE(host_.libraryLoaded());
    EXPECT_EQ(count("init"), 1);
    EXPECT_EQ(lines().back(), "quit 0");
}

TEST_F(VisHostTest, ConfigureRunsOnTheCallersThreadWhenTheModuleHasInit) {
    host_.configure();
    EXPECT_TRUE(host_.libraryLoaded()) << "loaded for configuration";
    EXPECT_FALSE(host_.running());
    EXPECT_EQ(lines(), (std::vector<std::string>{"config 0 init-thread=-"}));

    host_.toggle();
    ASSERT_TRUE(eventually([&] { return count("init") == 1; }));
    host_.configure();
    EXPECT_EQ(lines().back(), "config 0 init-thread=0") << "not on the plug-in's thread";
    host_.toggle();
    EXPECT_FALSE(host_.running());

    settings_.pluginModule = 4;  // configure without init
    host_.configure();
    EXPECT_TRUE(host_.libraryLoaded());
    EXPECT_EQ(count("config"), 2);
}

TEST_F(VisHostTest, NothingStartsWithoutLibraryOrModule) {
    for (const char* library : {"", "missing.dll"}) {
        settings_.pluginLibrary = library;
        host_.toggle();
        EXPECT_FALSE(host_.running()) << library;
        EXPECT_FALSE(host_.libraryLoaded()) << library;
    }
    settings_.pluginLibrary = kPluginFile;
    settings_.pluginModule = 9;
    host_.toggle();
    EXPECT_FALSE(host_.running());
    EXPECT_FALSE(host_.libraryLoaded());
    EXPECT_TRUE(lines().empty());
}

}  // namespace
}  // namespace tumbor
