// Visualization plug-in libraries in a folder: which are listed, their
// modules, and a module loaded with what the host writes into its record.
#include "player/window/vis_plugin_library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/dynamic_library.h"

namespace tumbor {
namespace {

namespace fs = std::filesystem;

#if defined(_WIN32)
const char* const kSuffix = ".dll";
#else
const char* const kSuffix = ".so";
#endif

std::string builtPlugin() {
    return platform::programFolder() + "visplugins" + platform::pathSeparator() + "vis_test_plugin" + kSuffix;
}

// A folder holding the test plug-in under a mixed-case name, a stream library
// (no visualization export), a file that is no library at all and, on
// Windows, the test plug-in built for the other word size.
class VisPluginLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        // One folder per test: ctest may run them side by side.
        folder_ =
            fs::temp_directory_path() / (std::string("tumbor_vis_library_") +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        fs::copy_file(builtPlugin(), folder_ / (std::string("Vis_Test_Plugin") + kSuffix));
        const std::string streamLibrary =
            platform::programFolder() + "fakelibs" + platform::pathSeparator() + "Strm_FAKE" + kSuffix;
        fs::copy_file(streamLibrary, folder_ / (std::string("stream") + kSuffix));
        std::ofstream(folder_ / (std::string("broken") + kSuffix)) << "not a library";
#if defined(_WIN32)
        fs::copy_file(platform::programFolder() + "otherplugins\\vis_test_plugin.dll", folder_ / "other_word_size.dll");
#endif
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    std::string folder() const { return folder_.string() + platform::pathSeparator(); }

    fs::path folder_;
};

TEST_F(VisPluginLibraryTest, ListsOnlyLibrariesWithTheExportInLowerCase) {
    const std::vector<VisPluginLibraryEntry> entries = listVisPluginLibraries(folder());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].description, "Tumbor test recorder");
    EXPECT_EQ(entries[0].fileName, std::string("vis_test_plugin") + kSuffix);
    EXPECT_TRUE(listVisPluginLibraries(folder() + "missing").empty());
}

TEST_F(VisPluginLibraryTest, ListsModulesUntilTheFirstMissing) {
    const std::string name = std::string("Vis_Test_Plugin") + kSuffix;
    EXPECT_EQ(listVisPluginModules(folder(), name),
              (std::vector<std::string>{"Recorder", "Waveform only", "Slow to quit", "Stops itself",
                                        "Configure without init"}));
    EXPECT_TRUE(listVisPluginModules(folder(), std::string("stream") + kSuffix).empty());
    EXPECT_TRUE(listVisPluginModules(folder(), "missing").empty());
}

TEST_F(VisPluginLibraryTest, LoadFillsTheRecordOrFails) {
    const std::string name = std::string("Vis_Test_Plugin") + kSuffix;
    int parent = 0;
    std::unique_ptr<VisPlugin> plugin = VisPlugin::load(folder(), name, 3, &parent);
    ASSERT_TRUE(plugin);
    const winampVisModule& module = plugin->module();
    EXPECT_STREQ(module.description, "Stops itself");
    EXPECT_EQ(module.hwndParent, &parent);
    EXPECT_EQ(module.hDllInstance, plugin->instance());
    EXPECT_NE(module.hDllInstance, nullptr);
    EXPECT_EQ(module.sRate, 44100);
    EXPECT_EQ(module.nCh, 2);

    EXPECT_FALSE(VisPlugin::load(folder(), name, 5, nullptr)) << "no module 5";
    EXPECT_FALSE(VisPlugin::load(folder(), name, -1, nullptr));
    EXPECT_FALSE(VisPlugin::load(folder(), std::string("stream") + kSuffix, 0, nullptr)) << "no export";
    EXPECT_FALSE(VisPlugin::load(folder(), std::string("broken") + kSuffix, 0, nullptr));
    EXPECT_FALSE(VisPlugin::load(folder(), "missing", 0, nullptr));
}

}  // namespace
}  // namespace tumbor
