// The extension dialog's lines and preselection, and the registry writes of
// its OK, against the recording registry (which can refuse keys).
#include "player/engine/file_types.h"

#include <gtest/gtest.h>

#include "platform/recorded_shell_integration.h"

namespace tumbor {
namespace {

using Strings = std::vector<std::string>;

TEST(FileTypesTest, LinesComeFromThePlaylistsAndEachPatternOfEveryFilter) {
    EXPECT_EQ(extensionLines(Strings{}), (Strings{".m3u (Playlist)", ".m3u8 (Playlist)", ".pls (Playlist)"}));
    const Strings lines = extensionLines(Strings{
        "WAV files (*.wav)|*.wav|", "MPEG I, II, II.5 layer 1,2,3 (*.mp1;*.mp2;*.mp3)|*.mp1;*.mp2;*.mp3|",
        "",                       // a module without a filter adds nothing
        "Odd|raw;*.x;;*.y|*.z|",  // no leading "*" is kept as it is; empty patterns add nothing
        "Unended|*.u"});
    EXPECT_EQ(lines, (Strings{".m3u (Playlist)", ".m3u8 (Playlist)", ".pls (Playlist)", ".wav", ".mp1",
                              ".mp2", ".mp3", "raw", ".x", ".y", ".u"}));
    EXPECT_EQ(extensionOfLine(".m3u (Playlist)"), ".m3u");
    EXPECT_EQ(extensionOfLine(".wav"), ".wav");
}

TEST(FileTypesTest, LinesFollowTheRegisteredModules) {
    StreamModule three{}, one{};
    three.fileFilter = "Three (*.a;*.b;*.c)|*.a;*.b;*.c|";
    one.fileFilter = "One (*.d)|*.d|";
    ModuleRegistry registry;
    registry.registerModule(&three, "Strm_A.DLL", 0, nullptr, nullptr);
    registry.registerModule(&one, "Strm_B.DLL", 0, nullptr, nullptr);
    EXPECT_EQ(extensionLines(registry),
              (Strings{".m3u (Playlist)", ".m3u8 (Playlist)", ".pls (Playlist)", ".a", ".b", ".c", ".d"}));
    registry.tearDown();
}

TEST(FileTypesTest, OnlyExtensionsOfOtherProgramsOrNoneStartSelected) {
    platform::RecordedFileTypeRegistry registry;
    registry.values[".mine"] = "TUMBOR.File";
    registry.values[".other"] = "OtherPlayer.Song";
    registry.values[".long"] = std::string(261, 'x');
    registry.values[".edge"] = std::string(260, 'x');
    EXPECT_TRUE(startsSelected(".new", registry)) << "no key";
    EXPECT_FALSE(startsSelected(".MINE", registry)) << "ours, in any case";
    EXPECT_TRUE(startsSelected(".other", registry));
    EXPECT_FALSE(startsSelected(".long", registry)) << "a value longer than 260 characters";
    EXPECT_TRUE(startsSelected(".edge", registry));
}

TEST(FileTypesTest, RegistrationWritesTheTypeAndTheChosenExtensions) {
    platform::RecordedFileTypeRegistry registry;
    registry.values[".pls"] = "Tumbor.File";
    const FileTypeRegistration done = registerFileTypes(registry, "C:\\Tumbor\\Tumbor.exe", {".m3u", ".wav"});
    EXPECT_TRUE(done.complete());
    using Write = std::pair<std::string, std::string>;
    EXPECT_EQ(registry.writes, (std::vector<Write>{
                                   {"Tumbor.File", "Tumbor media file"},
                                   {"Tumbor.File\\shell\\open\\command", "\"C:\\Tumbor\\Tumbor.exe\" \"%1\""},
                                   {"Tumbor.File\\DefaultIcon", "\"C:\\Tumbor\\Tumbor.exe\""},
                                   {".m3u", "Tumbor.File"},
                                   {".wav", "Tumbor.File"},
                               }));
    EXPECT_EQ(registry.values[".pls"], "Tumbor.File") << "an extension left unselected stays registered";

    const platform::MessageBoxRequest box = registrationReport(done);
    EXPECT_EQ(
        box.text,
        "Registering file extensions has been completed. Double-clicking these files in the explorer will "
        "now start the player.");
    EXPECT_EQ(box.caption, "Register Extensions");
}

TEST(FileTypesTest, ARefusedKeyIsReportedAsAnErrorNotAsCompleted) {
    platform::RecordedFileTypeRegistry registry;
    registry.refused = {"Tumbor.File\\DefaultIcon", ".voc"};
    const FileTypeRegistration done = registerFileTypes(registry, "C:\\T.exe", {".voc", ".wav"});
    EXPECT_FALSE(done.complete());
    EXPECT_EQ(done.refusedKeys, (Strings{"Tumbor.File\\DefaultIcon", ".voc"}));
    EXPECT_EQ(registry.values[".wav"], "Tumbor.File") << "the keys after a refused one are still written";
    EXPECT_EQ(registry.values.count(".voc"), 0u);

    const platform::MessageBoxRequest box = registrationReport(done);
    EXPECT_EQ(box.text.find("has been completed"), std::string::npos);
    EXPECT_NE(box.text.find(".voc"), std::string::npos);
    EXPECT_EQ(box.icon, platform::MessageIcon::error);
    EXPECT_EQ(box.caption, "Register Extensions");
}

}  // namespace
}  // namespace tumbor
