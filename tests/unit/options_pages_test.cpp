// The options pages' lists, preselections and apply rules, over the real
// engine with the fake module and the simulated device, a recording shell,
// a plug-in catalog given by the test, and design files and skin folders in
// a temporary folder.
#include "player/window/options_pages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/dynamic_library.h"
#include "platform/recorded_dialogs.h"
#include "platform/simulated_wave_device.h"
#include "player/engine/player_shell.h"
#include "tests/unit/fake_stream_module.h"

namespace tumbor::window {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using testing::FakeModuleConfig;
using testing::FakeStreamModule;

class RecordingOptionsShell : public OptionsShell {
public:
    void changeLook(const std::string& path, int look) override { looks.emplace_back(path, look); }
    void togglePlugin() override {
        ++toggles;
        running = !running;
    }
    bool pluginRunning() const override { return running; }
    void setTopmost(bool on) override { topmost = on; }
    void setSnap(bool on) override { snap = on; }

    std::vector<std::pair<std::string, int>> looks;
    int toggles = 0;
    bool running = false, topmost = false, snap = false;
};

int aboutCalls = 0;
int STREAM_CALL countAbout() { return ++aboutCalls; }

class OptionsPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        folder_ =
            fs::absolute(::testing::TempDir()) / ("tumbor_options_" + std::to_string(std::random_device{}()));
        fs::create_directories(folder_);
        registry_.registerModule(&FakeStreamModule::configure(FakeModuleConfig()), "Strm_FAKE.DLL", 0,
                                 nullptr, nullptr);
        platform::clearRecordedMessageBoxes();
    }
    void TearDown() override {
        engine_.unload();
        registry_.tearDown();
        fs::current_path(previous_);
        fs::remove_all(folder_);
    }
    std::string path(const std::string& name) const { return (folder_ / name).string(); }
    void writeDesign(const std::string& name, const std::string& designer) {
        std::ofstream(folder_ / name, std::ios::binary)
            << "[General]\r\nNameOfTheDesigner=" << designer << "\r\n";
    }
    const std::vector<platform::MessageBoxRequest>& boxes() const { return platform::recordedMessageBoxes(); }

    fs::path previous_, folder_;
    ModuleRegistry registry_;
    platform::SimulatedWaveDevice* device_ =
        new platform::SimulatedWaveDevice(platform::SimulatedWaveDevice::Pacing::manual);
    PlaybackEngine engine_{registry_, std::unique_ptr<platform::WaveDevice>(device_)};
    Settings settings_;
    RecordingOptionsShell shell_;
    OptionsContext context_{settings_, engine_, registry_, shell_};
};

TEST_F(OptionsPagesTest, TheSheetOpensOnThePageAskedForOrTheOneShownLast) {
    settings_.pageOptions = kSkinsPage;
    settings_.gui = 0;
    OptionsOpening opening = openingFor(kLastOptionsPage, settings_);
    EXPECT_EQ(opening.page, kSkinsPage);
    EXPECT_EQ(opening.requestedLook, 0) << "reaching the Skins page by memory keeps the look in use";
    EXPECT_EQ(openingFor(kSkinsPage, settings_).requestedLook, 1);
    settings_.gui = 1;
    EXPECT_EQ(openingFor(kDesignPage, settings_).requestedLook, 0);
    EXPECT_EQ(openingFor(kPluginsPage, settings_).requestedLook, 1);
    EXPECT_EQ(openingFor(kPluginsPage, settings_).page, kPluginsPage);
    settings_.pageOptions = -1;  // as read back from 4294967295
    EXPECT_EQ(openingFor(kLastOptionsPage, settings_).page, kOutputPage);
}

TEST_F(OptionsPagesTest, OutputPageListsDevicesAndModulesAndChangesTheDevice) {
    device_->setDeviceCount(2);
    OutputPage page(context_);
    settings_.pageOptions = kGeneralPage;
    page.activate({"Speakers", "Headphones"});
    EXPECT_EQ(settings_.pageOptions, kOutputPage);
    EXPECT_EQ(page.deviceLines, (Strings{"<Default windows driver>", "Speakers", "Headphones"}));
    EXPECT_EQ(page.deviceSelection, 0) << "the default device is the first line";
    EXPECT_EQ(page.moduleLines, (Strings{"fake module (Strm_FAKE.DLL)"}));
    EXPECT_EQ(page.moduleSelection, 0);

    ASSERT_EQ(engine_.load("fake song"), 1);
    engine_.play();
    page.deviceSelection = 2;
    page.apply();
    EXPECT_EQ(settings_.device, 1);
    EXPECT_EQ(device_->currentDeviceId(), 1);
    EXPECT_EQ(engine_.getState(), PlaybackEngine::kPlaying);
    EXPECT_TRUE(boxes().empty());

    // A device the system does not have: refused, the selection returns and the message shows.
    page.deviceSelection = 6;
    page.apply();
    EXPECT_EQ(page.deviceSelection, 2);
    EXPECT_EQ(settings_.device, 1);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].caption, "Changing sound device");
    EXPECT_EQ(boxes()[0].text, "Device specified does not exist. Choose another device");
    EXPECT_EQ(boxes()[0].icon, platform::MessageIcon::error);
    page.apply();
    EXPECT_EQ(boxes().size(), 1u) << "the same device again changes nothing";

    settings_.device = 5;
    page.activate({"Speakers"});
    EXPECT_EQ(page.deviceSelection, -1) << "a device no longer there is not shown as another";
}

TEST_F(OptionsPagesTest, OutputPageConfigureAndAboutOrTheirBoxes) {
    OutputPage page(context_);
    page.activate({});
    page.configureModule();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "No configuration procedure present for this module");
    page.aboutModule();
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[1].text, "No about procedure present for this module");

    FakeStreamModule::record().about = countAbout;
    aboutCalls = 0;
    page.aboutModule();
    EXPECT_EQ(aboutCalls, 1);
    EXPECT_EQ(boxes().size(), 2u);
}

TEST_F(OptionsPagesTest, BufferingPageSetsTheEngineOnlyWhenMoved) {
    settings_.buffer = 200;  // beyond the slider
    BufferingPage page(context_);
    page.load();
    EXPECT_EQ(page.position, BufferingPage::kMaximum);
    page.apply();
    EXPECT_EQ(settings_.buffer, 200) << "a page only looked at keeps the setting";
    EXPECT_EQ(engine_.bufferCount(), 8);

    page.position = 0;
    page.apply();
    EXPECT_EQ(settings_.buffer, 0);
    EXPECT_EQ(engine_.bufferCount(), 3) << "0 ms: the engine's minimum of three buffers";
    page.position = 40;  // 4 s = 705600 bytes in 32 KiB buffers
    page.apply();
    EXPECT_EQ(engine_.bufferCount(), 21);
}

TEST_F(OptionsPagesTest, BufferingPageKeepsTheSoundSettings) {
    settings_.replayGainPreamp = -35;
    BufferingPage page(context_);
    page.load();
    EXPECT_TRUE(page.gapless);
    EXPECT_EQ(page.preampText, "-3.5");
    EXPECT_EQ(page.defaultGainText, "0");
    page.gapless = false;
    page.replayGainMode = 2;
    page.preampText = "+6.04";
    page.defaultGainText = "loud";  // no number: the setting stays
    page.noClip = false;
    page.apply();
    EXPECT_EQ(settings_.gapless, 0);
    EXPECT_EQ(settings_.replayGain, 2);
    EXPECT_EQ(settings_.replayGainPreamp, 60);
    EXPECT_EQ(settings_.replayGainDefault, 0);
    EXPECT_EQ(settings_.replayGainNoClip, 0);
}

class PluginsPageTest : public OptionsPagesTest {
protected:
    VisPluginCatalog catalog() {
        VisPluginCatalog catalog;
        catalog.libraries = [this](const std::string& folder) {
            ++listings;
            return folder == emptyFolder ? std::vector<VisPluginLibraryEntry>{} : libraries;
        };
        catalog.modules = [](const std::string&, const std::string& file) {
            if (file == "bars.dll") return Strings{"Bars", "Peaks", "Both"};
            return Strings{"Scope"};
        };
        catalog.configure = [this](const std::string& folder, const std::string& file, int module,
                                   void* parent) {
            configured.push_back(folder + "|" + file + "|" + std::to_string(module));
            configureParent = parent;
        };
        return catalog;
    }

    std::vector<VisPluginLibraryEntry> libraries = {{"Oscilloscope (beta)", "scope.dll"},
                                                    {"Bar analyser", "bars.dll"}};
    std::string emptyFolder = "nothing here";
    int listings = 0;
    Strings configured;
    void* configureParent = nullptr;
};

TEST_F(PluginsPageTest, TheRememberedLibraryAndModuleArePreselected) {
    settings_.pluginPath = folder_.string();
    settings_.pluginLibrary = "bars.dll";
    settings_.pluginModule = 2;
    settings_.pluginPriority = 99;
    PluginsPage page(context_, catalog());
    page.load();
    EXPECT_EQ(page.priority, PluginsPage::kHighestPriority);
    page.activate();
    EXPECT_EQ(settings_.pageOptions, kPluginsPage);
    EXPECT_EQ(page.libraryLines, (Strings{"Oscilloscope (beta) (scope.dll)", "Bar analyser (bars.dll)"}));
    EXPECT_EQ(page.librarySelection, 1);
    EXPECT_EQ(page.moduleLines, (Strings{"Bars", "Peaks", "Both"}));
    EXPECT_EQ(page.moduleSelection, 2);
    page.activate();
    EXPECT_EQ(listings, 1) << "a filled list is kept";

    page.selectLibrary(0);
    EXPECT_EQ(page.moduleLines, Strings{"Scope"});
    EXPECT_EQ(page.moduleSelection, 0) << "another library starts at its first module";
    page.autoExecute = false;
    page.priority = -3;
    page.apply();
    EXPECT_EQ(settings_.pluginLibrary, "scope.dll") << "the name between the last parentheses";
    EXPECT_EQ(settings_.pluginModule, 0);
    EXPECT_EQ(settings_.autoExecute, 0);
    EXPECT_EQ(settings_.pluginPriority, -3);

    page.configure(this);
    EXPECT_EQ(configured, Strings{folder_.string() + "|scope.dll|0"});
    EXPECT_EQ(configureParent, this);
}

TEST_F(PluginsPageTest, OneLibraryIsTakenWhateverIsRemembered) {
    libraries.resize(1);
    settings_.pluginLibrary = "bars.dll";
    settings_.pluginModule = 2;
    PluginsPage page(context_, catalog());
    page.load();
    page.activate();
    EXPECT_EQ(page.librarySelection, 0);
    EXPECT_EQ(page.moduleSelection, 0) << "the remembered module belongs to another library";
}

TEST_F(PluginsPageTest, WithoutPluginsApplyKeepsLibraryAndModule) {
    settings_.pluginPath = emptyFolder;
    settings_.pluginLibrary = "bars.dll";
    settings_.pluginModule = 1;
    settings_.autoExecute = 1;
    PluginsPage page(context_, catalog());
    page.load();
    page.activate();
    EXPECT_TRUE(page.libraryLines.empty());
    EXPECT_TRUE(page.moduleLines.empty());
    page.autoExecute = false;
    page.configure(nullptr);
    EXPECT_TRUE(configured.empty());
    page.apply();
    EXPECT_EQ(settings_.pluginLibrary, "bars.dll");
    EXPECT_EQ(settings_.pluginModule, 1);
    EXPECT_EQ(settings_.autoExecute, 1);
    EXPECT_EQ(settings_.pluginPath, emptyFolder);

    // Reload with a folder that exists: the full path is taken and the list filled.
    fs::create_directories(folder_ / "plugins");
    fs::current_path(folder_);
    page.changeFolder("plugins");
    EXPECT_EQ(fs::path(page.folder), fs::canonical(folder_ / "plugins"));
    EXPECT_EQ(page.libraryLines.size(), 2u);
}

TEST_F(PluginsPageTest, TestRestartsARunningPluginWithTheNewChoice) {
    PluginsPage page(context_, catalog());
    page.load();
    page.activate();
    page.selectLibrary(1);
    page.test();
    EXPECT_EQ(settings_.pluginLibrary, "bars.dll") << "the page is applied first";
    EXPECT_EQ(shell_.toggles, 1) << "nothing ran: one toggle starts it";
    EXPECT_TRUE(shell_.running);
    page.test();
    EXPECT_EQ(shell_.toggles, 3) << "a running plug-in is stopped, then started again";
    EXPECT_TRUE(shell_.running);
}

TEST_F(OptionsPagesTest, DesignPageSendsOnlyAnotherDesign) {
    writeDesign("Alpha.design", "Ann");
    writeDesign("Beta.design", "Bob");
    std::ofstream(folder_ / "notes.txt") << "x";
    settings_.designPath = folder_.string();
    settings_.designCurrent = "Beta.design";
    settings_.gui = 0;
    context_.designInUse = path("Beta.design");
    LookPage page(context_, 0);
    page.load();
    EXPECT_EQ(page.current, "Beta.design");
    EXPECT_EQ(page.author, "Bob");
    page.activate();
    EXPECT_EQ(settings_.pageOptions, kDesignPage);
    EXPECT_TRUE(page.useThisLook);
    EXPECT_EQ(page.names, (Strings{"Alpha.design", "Beta.design"}));
    EXPECT_EQ(page.selection, 1) << "the design in use";

    context_.designInUse = path("BETA.DESIGN");
    page.apply();
    EXPECT_TRUE(shell_.looks.empty()) << "the same design again sends nothing";

    page.selection = 0;
    page.apply();
    ASSERT_EQ(shell_.looks.size(), 1u);
    EXPECT_EQ(shell_.looks[0], std::make_pair(path("Alpha.design"), 0));
    EXPECT_EQ(settings_.designCurrent, path("Alpha.design"));
    EXPECT_EQ(page.current, path("Alpha.design"));
    EXPECT_EQ(page.author, "Ann");
    page.apply();
    EXPECT_EQ(shell_.looks.size(), 1u);

    // While a skin is in use the same design switches back to it.
    settings_.gui = 1;
    page.apply();
    EXPECT_EQ(shell_.looks.size(), 2u);
    EXPECT_EQ(settings_.gui, 0);
}

TEST_F(OptionsPagesTest, DesignPageWithTheSkinLookRequestedSendsNothing) {
    writeDesign("Alpha.design", "Ann");
    settings_.designPath = folder_.string();
    context_.requestedLook = 1;
    LookPage page(context_, 0);
    page.load();
    page.activate();
    EXPECT_FALSE(page.useThisLook);
    EXPECT_EQ(page.selection, 0) << "one design: the first";
    page.apply();
    EXPECT_TRUE(shell_.looks.empty());
    page.setUseThisLook(true);
    EXPECT_EQ(context_.requestedLook, 0);
    page.apply();
    EXPECT_EQ(shell_.looks.size(), 1u) << "relative design in use: another path";
}

TEST_F(OptionsPagesTest, SkinsPageOpenedByItsKeySwitchesEvenToTheSkinUsedLast) {
    for (const char* name : {"Base", "Test", ".hidden"}) fs::create_directories(folder_ / "Skins" / name);
    std::ofstream(folder_ / "Skins" / "readme.txt") << "x";
    settings_.skinPath = path("Skins");
    settings_.skinCurrent = path("Skins/Test/");
    settings_.gui = 0;
    context_.skinInUse = settings_.skinCurrent;
    context_.requestedLook = openingFor(kSkinsPage, settings_).requestedLook;
    LookPage skins(context_, 1), design(context_, 0);
    skins.load();
    skins.activate();
    EXPECT_EQ(settings_.pageOptions, kSkinsPage);
    EXPECT_TRUE(skins.useThisLook) << "the Skins key checks the skin box";
    EXPECT_EQ(skins.names, (Strings{"Base", "Test"}));
    EXPECT_EQ(skins.selection, 1);
    design.load();
    design.apply();
    skins.apply();
    ASSERT_EQ(shell_.looks.size(), 1u);
    EXPECT_EQ(shell_.looks[0], std::make_pair(path("Skins") + platform::pathSeparator() + "Test", 1));
    EXPECT_EQ(settings_.gui, 1);
    EXPECT_EQ(settings_.skinCurrent, path("Skins") + platform::pathSeparator() + "Test");

    // Unchecking the box asks for a design instead.
    skins.setUseThisLook(false);
    EXPECT_EQ(context_.requestedLook, 0);
    skins.apply();
    EXPECT_EQ(shell_.looks.size(), 1u);
}

TEST_F(OptionsPagesTest, SkinsPageListsSkinArchivesAfterTheFolders) {
    for (const char* name : {"Base", "Gold.wsz"}) fs::create_directories(folder_ / "Skins" / name);
    for (const char* name : {"Retro.wsz", "LOUD.WSZ", ".hidden.wsz", "Retro.zip", "notes.wsz.txt"})
        std::ofstream(folder_ / "Skins" / name) << "PK";
    settings_.skinPath = path("Skins");
    settings_.gui = 1;
    context_.skinInUse = path("Skins/Retro.wsz");
    context_.requestedLook = 1;
    LookPage skins(context_, 1);
    skins.load();
    skins.activate();
    EXPECT_EQ(skins.names, (Strings{"Base", "Gold.wsz", "LOUD.WSZ", "Retro.wsz"}))
        << "a folder named like an archive is a folder";
    EXPECT_EQ(skins.selection, 3) << "the archive in use";
    skins.selection = 2;
    skins.apply();
    ASSERT_EQ(shell_.looks.size(), 1u);
    EXPECT_EQ(shell_.looks[0], std::make_pair(path("Skins") + platform::pathSeparator() + "LOUD.WSZ", 1));
}

TEST_F(OptionsPagesTest, GeneralPageKeepsTheEncodings) {
    settings_.clear = 2;
    settings_.repeat = 1;
    settings_.topmost = 0;
    settings_.snap = 1;
    settings_.minimizeState = 2;
    settings_.systray = 31;
    GeneralPage page(context_);
    page.load();
    page.activate();
    EXPECT_EQ(settings_.pageOptions, kGeneralPage);
    EXPECT_FALSE(page.clearOnDrop);
    EXPECT_TRUE(page.clearOnOpen);
    EXPECT_EQ(page.repeat, 1);
    EXPECT_EQ(page.minimizeState, 2);
    EXPECT_EQ(page.systray, 31);

    page.clearOnDrop = true;
    page.clearOnOpen = false;
    page.repeat = 0;
    page.topmost = true;
    page.snap = false;
    page.minimizeState = 0;
    page.systray = 1 | 4;
    page.apply();
    EXPECT_EQ(settings_.clear, 1);
    EXPECT_EQ(settings_.repeat, 0);
    EXPECT_EQ(settings_.topmost, 1);
    EXPECT_EQ(settings_.snap, 0);
    EXPECT_EQ(settings_.minimizeState, 0);
    EXPECT_EQ(settings_.systray, 5);
    EXPECT_TRUE(shell_.topmost);
    EXPECT_FALSE(shell_.snap);
}

}  // namespace
}  // namespace tumbor::window
