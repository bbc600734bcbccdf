// The shell link object and program start behind the installer's
// ShellActions interface, under Wine: a shortcut file is written (and
// replaced), and a program is started without waiting for it.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/shell_actions.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

TEST(ShellActionsWinTest, ShortcutsAreSavedAndReplaced) {
    const fs::path folder =
        fs::absolute(::testing::TempDir()) / ("tumbor_links_" + std::to_string(std::random_device{}()));
    fs::create_directories(folder);
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, sizeof program);
    Shortcut shortcut;
    shortcut.linkPath = (folder / "Tumbor.lnk").string();
    shortcut.target = program;
    shortcut.workingFolder = folder.string() + "\\";
    shortcut.iconPath = program;
    shortcut.description = "Tumbor";
    ASSERT_TRUE(systemShellActions().createShortcut(shortcut));
    ASSERT_TRUE(fs::exists(shortcut.linkPath));
    std::ifstream in(shortcut.linkPath, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    in.close();
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x4C\x00\x00\x00", 4)) << "a shell link's header";
    EXPECT_NE(bytes.find(fs::path(program).filename().string()), std::string::npos);

    shortcut.description = "Again";
    EXPECT_TRUE(systemShellActions().createShortcut(shortcut)) << "an existing link is replaced";
    shortcut.linkPath = (folder / "missing" / "Tumbor.lnk").string();
    EXPECT_FALSE(systemShellActions().createShortcut(shortcut)) << "no such folder";
    fs::remove_all(folder);
}

TEST(ShellActionsWinTest, StartsAProgramOrSaysItCannot) {
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    const std::string folder = std::string(system) + "\\";
    // hostname.exe prints a line and ends at once.
    EXPECT_TRUE(systemShellActions().startProgram(folder + "hostname.exe", folder));
    EXPECT_FALSE(systemShellActions().startProgram(folder + "no such program.exe", folder));
}

}  // namespace
}  // namespace platform
