// The installer's paths over a simulated registry and drive: the proposal,
// the checks of a typed path with the folders they create, and the search
// for an earlier installation.
#include "installer/setup_paths.h"

#include <gtest/gtest.h>

#include "platform/simulated_folders.h"
#include "platform/simulated_registry.h"

namespace tumbor::installer {
namespace {

using platform::RegistryRoot;
using platform::SimulatedFolders;
using platform::SimulatedRegistry;

void setProgramFiles(SimulatedRegistry& registry, const char* name, const std::string& folder) {
    registry.set(RegistryRoot::localMachine, kWindowsVersionKey, name, folder);
}

TEST(SetupPathsTest, ProposesTumborInTheProgramFilesFolder) {
    SimulatedRegistry registry;
    EXPECT_EQ(proposedPath(registry), "C:\\Tumbor");
    setProgramFiles(registry, "ProgramFilesPath", "D:\\Apps\\");
    EXPECT_EQ(proposedPath(registry), "D:\\Apps\\Tumbor") << "the older value, when the newer is missing";
    setProgramFiles(registry, "ProgramFilesDir", "C:\\Program Files");
    EXPECT_EQ(proposedPath(registry), "C:\\Program Files\\Tumbor");
    setProgramFiles(registry, "ProgramFilesDir", "");
    EXPECT_EQ(proposedPath(registry), "C:\\Tumbor") << "an empty value gives no folder";
    setProgramFiles(registry, "ProgramFilesDir", "C:\\" + std::string(260, 'x'));
    EXPECT_EQ(proposedPath(registry), "D:\\Apps\\Tumbor") << "a value longer than 260 bytes is not read";
    EXPECT_EQ(pathInFolder("E:\\"), "E:\\Tumbor");
}

TEST(SetupPathsTest, AcceptsADriveLetterInEitherCaseAndCreatesEachMissingFolder) {
    SimulatedFolders folders("CD");
    folders.addFolder("C:\\Games");
    const PathCheck check = acceptPath("c:\\Games\\Tumbor", folders);
    EXPECT_TRUE(check.accepted) << check.message;
    EXPECT_EQ(folders.createCount(), 1) << "Games exists already";
    EXPECT_EQ(folders.current(), "C:\\GAMES\\TUMBOR");

    EXPECT_TRUE(acceptPath("d:\\New\\Deeper\\Tumbor\\", folders).accepted) << "a trailing backslash";
    EXPECT_TRUE(folders.isFolder("D:\\New\\Deeper\\Tumbor"));
    EXPECT_TRUE(acceptPath("C:\\", folders).accepted) << "the root itself";
    EXPECT_EQ(folders.current(), "C:");
}

TEST(SetupPathsTest, RefusesWithTheFourMessages) {
    SimulatedFolders folders("C");
    for (const char* path : {"", "Tumbor", "c:Tumbor", "1:\\Tumbor", "\\\\server\\share\\Tumbor", "C/Tumbor",
                             "c:\\Games\\\\Tumbor", "C:\\\\Tumbor", "C:\\Tumbor\\\\"}) {
        const PathCheck check = acceptPath(path, folders);
        EXPECT_FALSE(check.accepted) << path;
        EXPECT_EQ(check.message, "Path has not the right format (e.g. C:\\Program files\\Tumbor)") << path;
    }
    EXPECT_EQ(folders.createCount(), 0);
    EXPECT_EQ(acceptPath("q:\\Tumbor", folders).message, "Drive Q: could not be found.");

    folders.addFolder("C:\\Games");
    folders.refuseCreate("C:\\Games\\Tumbor\\Sub");
    EXPECT_EQ(acceptPath("C:\\Games\\Tumbor\\Sub\\More", folders).message,
              "Creation of new directory has failed (Not enough memory left on drive ?).");
    EXPECT_TRUE(folders.isFolder("C:\\Games\\Tumbor")) << "folders made before the failure stay";
    folders.addFile("C:\\Games\\file");
    EXPECT_EQ(acceptPath("C:\\Games\\file\\Tumbor", folders).message,
              "Creation of new directory has failed (Not enough memory left on drive ?).");

    folders.refuseEnter("C:\\Locked");
    EXPECT_EQ(acceptPath("C:\\Locked\\Tumbor", folders).message,
              "Could not change into newly created directory.");
}

TEST(SetupPathsTest, FindsAnEarlierInstallationInTheOrderOfItsCandidates) {
    SimulatedRegistry registry;
    SimulatedFolders folders("CDE");
    EXPECT_EQ(findEarlierInstallation(registry, folders), "");

    registry.set(RegistryRoot::localMachine, kWindowsVersionKey, "SystemRoot", "E:\\Windows");
    folders.addFolder("E:\\Windows\\Tumbor");
    folders.addFile("E:\\Windows\\Tumbor\\Tumbor.exe");
    EXPECT_EQ(findEarlierInstallation(registry, folders), "E:\\Windows\\Tumbor\\Tumbor.exe");

    folders.addFolder("C:\\Tumbor");
    folders.addFile("C:\\Tumbor\\Tumbor.exe");
    EXPECT_EQ(findEarlierInstallation(registry, folders), "C:\\Tumbor\\Tumbor.exe");

    setProgramFiles(registry, "ProgramFilesDir", "D:\\Programs\\");
    folders.addFolder("D:\\Programs\\Tumbor");
    folders.addFile("D:\\Programs\\Tumbor\\Tumbor.exe");
    EXPECT_EQ(findEarlierInstallation(registry, folders), "D:\\Programs\\Tumbor\\Tumbor.exe");

    // The file type's command counts only when quoted and naming a file that exists.
    folders.addFolder("D:\\Music Player");
    folders.addFile("D:\\Music Player\\Tumbor.exe");
    registry.set(RegistryRoot::classesRoot, kOpenCommandKey, "", "D:\\Music Player\\Tumbor.exe \"%1\"");
    EXPECT_EQ(findEarlierInstallation(registry, folders), "D:\\Programs\\Tumbor\\Tumbor.exe");
    registry.set(RegistryRoot::classesRoot, kOpenCommandKey, "", "\"D:\\Gone\\Tumbor.exe\" \"%1\"");
    EXPECT_EQ(findEarlierInstallation(registry, folders), "D:\\Programs\\Tumbor\\Tumbor.exe");
    registry.set(RegistryRoot::currentUser, std::string(kUserClassesKey) + kOpenCommandKey, "",
                 "\"D:\\Music Player\\Tumbor.exe\" \"%1\"");
    EXPECT_EQ(findEarlierInstallation(registry, folders), "D:\\Music Player\\Tumbor.exe")
        << "the user's own file type";
    registry.set(RegistryRoot::classesRoot, kOpenCommandKey, "", "\"d:\\music player\\TUMBOR.EXE\" \"%1\"");
    EXPECT_EQ(findEarlierInstallation(registry, folders), "d:\\music player\\TUMBOR.EXE");
    EXPECT_EQ(folderOf("d:\\music player\\TUMBOR.EXE"), "d:\\music player\\");
}

}  // namespace
}  // namespace tumbor::installer
