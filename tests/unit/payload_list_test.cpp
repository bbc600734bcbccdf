// The content lists of installers: their grammar, and the list TumborSetup.exe
// is packed from, which must name what the installed player needs in the
// order the installer writes it.
#include "installer/payload_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tumbor::installer {
namespace {

using Kind = PayloadEntry::Kind;

std::vector<PayloadEntry> parsed(const std::string& text) {
    std::vector<PayloadEntry> entries;
    std::string error;
    EXPECT_TRUE(parsePayloadList(text, entries, error)) << error;
    return entries;
}

std::string refusal(const std::string& text) {
    std::vector<PayloadEntry> entries;
    std::string error;
    EXPECT_FALSE(parsePayloadList(text, entries, error)) << text;
    return error;
}

TEST(PayloadListTest, FoldersNestAndCommentsAndIndentationAreIgnored) {
    const auto entries =
        parsed("# comment\r\n\r\nTop\\\r\n   Inner\\\r\n\tfile one.bin\r\n   ..\r\n..\r\nlast");
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0].kind, Kind::folder);
    EXPECT_EQ(entries[0].name, "Top");
    EXPECT_EQ(entries[2].kind, Kind::file);
    EXPECT_EQ(entries[2].name, "file one.bin");
    EXPECT_EQ(entries[2].line, 5);
    EXPECT_EQ(entries[3].kind, Kind::up);
    EXPECT_EQ(entries[5].name, "last");
    EXPECT_EQ(payloadFiles(entries, '/'), (std::vector<std::string>{"Top/Inner/file one.bin", "last"}));
}

TEST(PayloadListTest, RefusesNamesAndNestingTheArchiveCannotCarry) {
    EXPECT_EQ(refusal("a\\\nb\\\n..\n"), "a folder is not closed with \"..\" at the end of the list");
    EXPECT_EQ(refusal("x\n..\n"), "line 2: \"..\" without an open folder");
    EXPECT_EQ(refusal("ok\nsub\\dir\\\n"), "line 2: \"sub\\dir\" is not a plain file or folder name");
    EXPECT_EQ(refusal("..\\up.exe"), "line 1: \"..\\up.exe\" is not a plain file or folder name");
    EXPECT_NE(refusal("\\\n..\n"), "") << "a folder without a name";
}

TEST(PayloadListTest, TheShippedListCarriesTheDefaultDesignSkinsPluginsLibrariesAndPlayerInOrder) {
    std::ifstream in(TUMBOR_SETUP_LIST, std::ios::binary);
    ASSERT_TRUE(in) << TUMBOR_SETUP_LIST;
    const auto entries =
        parsed(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    std::vector<std::string> records;
    for (const PayloadEntry& entry : entries)
        records.push_back(entry.kind == Kind::up       ? ".."
                          : entry.kind == Kind::folder ? entry.name + "\\"
                                                       : entry.name);
    const std::vector<std::string> pictures = {
        "posbar.bmp",   "back.bmp",  "CloseH.bmp",   "Close.bmp",     "MinimizeH.bmp", "Minimize.bmp",
        "HelpH.bmp",    "Help.bmp",  "Play.bmp",     "PlayH.bmp",     "PreviousH.bmp", "Previous.bmp",
        "PauseH.bmp",   "Pause.bmp", "StopH.bmp",    "Stop.bmp",      "NextH.bmp",     "Next.bmp",
        "DiskH.bmp",    "Disk.bmp",  "OptionsH.bmp", "Options.bmp",   "InfoH.bmp",     "Info.bmp",
        "AboutH.bmp",   "About.bmp", "Volume.bmp",   "Repeat2.bmp",   "Repeat1.bmp",   "Shuffle1.bmp",
        "Shuffle2.bmp", "Eq1.bmp",   "Eq2.bmp",      "Playlist2.bmp", "Playlist1.bmp", "Numbers.bmp",
        "EqMain.bmp"};
    std::vector<std::string> expected = {"Designs\\", "TumborR\\"};
    expected.insert(expected.end(), pictures.begin(), pictures.end());
    for (const char* record : {"..", "..", "Skins\\", "..", "Plugins\\", "vis_scope.dll", "..",
                               "Strm_DSC.DLL", "Strm_TRK.DLL", "STRM_MPA.DLL", "Strm_PCM.DLL", "Strm_OSC.DLL",
                               "Strm_FLC.DLL", "Strm_OGG.DLL", "Tumbor.exe", "Tumbor.html", "TumborR.design"})
        expected.push_back(record);
    EXPECT_EQ(records, expected);

    // Every picture of the default design is shipped, and nothing else from its folder.
    std::vector<std::string> drawn;
    for (const auto& entry : std::filesystem::directory_iterator(TUMBOR_DESIGN_PICTURES))
        drawn.push_back(entry.path().filename().string());
    std::vector<std::string> listed = pictures;
    std::sort(drawn.begin(), drawn.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(drawn, listed);
}

}  // namespace
}  // namespace tumbor::installer
