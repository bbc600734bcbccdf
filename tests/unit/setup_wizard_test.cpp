// The wizard's course with scripted pages over a simulated registry, drive
// and shell: both routes, the installation's registry, files and settings,
// the finish actions, and what is reported when something fails.
#include "installer/setup_wizard.h"

#include <gtest/gtest.h>

#include <deque>

#include "installer/setup_paths.h"
#include "platform/dynamic_library.h"
#include "platform/recorded_dialogs.h"
#include "platform/recorded_shell_actions.h"
#include "platform/simulated_folders.h"
#include "platform/simulated_registry.h"
#include "tests/unit/installer_test_support.h"

namespace tumbor::installer {
namespace {

using platform::RegistryRoot;
using testing::MemoryTarget;

constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Pages that answer from a script and log what they were shown.
class ScriptedPages : public WizardPages, public ProgressView {
public:
    int welcome() override {
        log.push_back("welcome");
        return next();
    }
    int install(const std::string& proposed, const std::function<bool(const std::string&)>& accept) override {
        log.push_back("install " + proposed);
        // Each typed path is tried with Next until one is accepted.
        while (!typed.empty()) {
            const std::string path = typed.front();
            typed.pop_front();
            if (accept(path)) return kPageNext;
        }
        return kPageBack;
    }
    void noEarlierInstallation() override { log.push_back("no earlier"); }
    int update(const std::string& folder) override {
        log.push_back("update " + folder);
        return next();
    }
    int finish(FinishOptions& options) override {
        log.push_back("finish");
        shownOptions.push_back(options);
        options = finishWith;
        return next();
    }
    ProgressView& progress() override { return *this; }
    void open() override { log.push_back("progress"); }
    void setPercent(int percent) override { percents.push_back(percent); }
    void close() override { log.push_back("progress closed"); }

    std::deque<int> answers;        // for welcome, update and finish, in turn
    std::deque<std::string> typed;  // paths typed on the install page; none left: Back
    FinishOptions finishWith;       // the check boxes as the user leaves them
    std::vector<std::string> log;
    std::vector<FinishOptions> shownOptions;
    std::vector<int> percents;

private:
    int next() {
        if (answers.empty()) return kWelcomeCancel;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class SetupWizardTest : public ::testing::Test {
protected:
    SetupWizardTest() : folders("CD") {
        platform::clearRecordedMessageBoxes();
        registry.set(RegistryRoot::localMachine, kWindowsVersionKey, "ProgramFilesDir", "C:\\Program Files");
        registry.set(RegistryRoot::currentUser, kShellFolders, "Programs", "C:\\Start Menu\\Programs");
        registry.set(RegistryRoot::currentUser, kShellFolders, "Desktop", "C:\\Desktop\\");
        folders.addFolder("C:\\Games");
        installerFile = (folder.path() / "TumborSetup.exe").string();
        testing::writeFile(installerFile, testing::installerWith([](ArchiveWriter& writer) {
                               writer.folder("Designs");
                               writer.file("back.bmp", testing::pattern(40000, 1));
                               writer.up();
                               writer.file("Tumbor.exe", testing::pattern(100, 2));
                           }));
    }

    SetupSystem system() {
        SetupSystem setup{registry, folders, shell, installerFile, {}, {}};
        setup.makeTarget = [this](const std::string& path) {
            targetFolders.push_back(path);
            return std::make_unique<Forward>(target);
        };
        setup.writeProfile = [this](const std::string& section, const std::string& key,
                                    const std::string& value, const std::string& path) {
            profileWrites.push_back(path + " [" + section + "] " + key + "=" + value);
            return profileWorks;
        };
        return setup;
    }

    void run() {
        SetupSystem setup = system();
        runWizard(pages, setup);
    }

    std::vector<std::string> boxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : platform::recordedMessageBoxes()) texts.push_back(box.text);
        return texts;
    }

    // Hands the unpacker's calls on to the test's one target.
    class Forward : public UnpackTarget {
    public:
        explicit Forward(MemoryTarget& target) : target_(target) {}
        bool makeFolder(const std::string& path) override { return target_.makeFolder(path); }
        std::unique_ptr<OutputFile> createFile(const std::string& path) override {
            return target_.createFile(path);
        }
        void removeFile(const std::string& path) override { target_.removeFile(path); }

    private:
        MemoryTarget& target_;
    };

    testing::TempFolder folder;
    std::string installerFile;
    platform::SimulatedRegistry registry;
    platform::SimulatedFolders folders;
    platform::RecordedShellActions shell;
    MemoryTarget target;
    std::vector<std::string> targetFolders;
    std::vector<std::string> profileWrites;
    bool profileWorks = true;
    ScriptedPages pages;
};

TEST_F(SetupWizardTest, InstallRouteRegistersUnpacksWritesSettingsAndFinishes) {
    pages.answers = {kWelcomeInstall, kPageNext};
    pages.typed = {"c:\\Games\\Tumbor"};
    run();
    EXPECT_EQ(pages.log, (std::vector<std::string>{"welcome", "install C:\\Program Files\\Tumbor", "progress",
                                                   "progress closed", "finish"}));
    EXPECT_EQ(registry.get(RegistryRoot::classesRoot, kOpenCommandKey, ""),
              "\"c:\\Games\\Tumbor\\Tumbor.exe\" \"%1\"");
    EXPECT_EQ(registry.get(RegistryRoot::classesRoot, kDefaultIconKey, ""),
              "\"c:\\Games\\Tumbor\\Tumbor.exe\"");
    EXPECT_EQ(folders.current(), "C:\\GAMES\\TUMBOR") << "unpacking makes the folder current";
    EXPECT_EQ(targetFolders, (std::vector<std::string>{"c:\\Games\\Tumbor\\"}));
    EXPECT_EQ(target.files.size(), 2u);
    EXPECT_EQ(pages.percents.size(), 3u) << "one per piece: two of back.bmp, one of Tumbor.exe";
    EXPECT_EQ(profileWrites,
              (std::vector<std::string>{
                  "c:\\Games\\Tumbor\\Tumbor.ini [General] GUI=0",
                  "c:\\Games\\Tumbor\\Tumbor.ini [Design] Current=c:\\Games\\Tumbor\\TumborR.design"}));

    // All three finish options, as the page starts with them.
    ASSERT_EQ(pages.shownOptions.size(), 1u);
    EXPECT_TRUE(pages.shownOptions[0].programEntry && pages.shownOptions[0].desktopIcon &&
                pages.shownOptions[0].startPlayer);
    ASSERT_EQ(shell.shortcuts.size(), 2u);
    EXPECT_EQ(shell.shortcuts[0].linkPath, "C:\\Start Menu\\Programs\\Tumbor.lnk");
    EXPECT_EQ(shell.shortcuts[1].linkPath, "C:\\Desktop\\Tumbor.lnk");
    const platform::Shortcut& link = shell.shortcuts[0];
    EXPECT_EQ(link.target, "c:\\Games\\Tumbor\\Tumbor.exe");
    EXPECT_EQ(link.workingFolder, "c:\\Games\\Tumbor\\");
    EXPECT_EQ(link.iconPath, link.target);
    EXPECT_EQ(link.iconIndex, 0);
    EXPECT_EQ(link.description, "Tumbor");
    EXPECT_EQ(link.arguments, "");
    EXPECT_EQ(link.hotkey, 0);
    EXPECT_EQ(shell.started, (std::vector<std::string>{"c:\\Games\\Tumbor\\Tumbor.exe|c:\\Games\\Tumbor\\"}));
    EXPECT_TRUE(platform::recordedMessageBoxes().empty());
}

TEST_F(SetupWizardTest, ARefusedPathKeepsTheInstallPageOpenWithAnOwnerlessErrorBox) {
    pages.answers = {kWelcomeInstall, kPageNext};
    pages.typed = {"Games\\Tumbor", "x:\\Tumbor", "C:\\Tumbor"};
    run();
    EXPECT_EQ(boxTexts(),
              (std::vector<std::string>{"Path has not the right format (e.g. C:\\Program files\\Tumbor)",
                                        "Drive X: could not be found."}));
    for (const auto& box : platform::recordedMessageBoxes()) {
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.icon, platform::MessageIcon::error);
    }
    EXPECT_EQ(targetFolders, (std::vector<std::string>{"C:\\Tumbor\\"}));
}

TEST_F(SetupWizardTest, BackFromTheFinishPageReopensTheInstallPageAndMayInstallAgain) {
    pages.answers = {kWelcomeInstall, kPageBack, kPageNext};
    pages.typed = {"C:\\Games\\Tumbor", "D:\\Tumbor"};
    pages.finishWith = {false, false, false};
    run();
    EXPECT_EQ(pages.log,
              (std::vector<std::string>{"welcome", "install C:\\Program Files\\Tumbor", "progress",
                                        "progress closed", "finish", "install C:\\Program Files\\Tumbor",
                                        "progress", "progress closed", "finish"}));
    EXPECT_EQ(targetFolders, (std::vector<std::string>{"C:\\Games\\Tumbor\\", "D:\\Tumbor\\"}));
    EXPECT_EQ(registry.get(RegistryRoot::classesRoot, kDefaultIconKey, ""), "\"D:\\Tumbor\\Tumbor.exe\"");
    EXPECT_TRUE(pages.shownOptions[1].startPlayer) << "the options start set each time";
    // With all three options cleared, Finish only ends the program.
    EXPECT_TRUE(shell.shortcuts.empty());
    EXPECT_TRUE(shell.started.empty());
    EXPECT_TRUE(platform::recordedMessageBoxes().empty());
}

TEST_F(SetupWizardTest, UpdateRouteWithoutAnEarlierInstallationExplainsAndReturns) {
    pages.answers = {kWelcomeUpdate, kWelcomeInstall};
    run();  // the install page then goes Back, and the welcome page is cancelled
    EXPECT_EQ(pages.log, (std::vector<std::string>{"welcome", "no earlier", "welcome",
                                                   "install C:\\Program Files\\Tumbor", "welcome"}));
    EXPECT_TRUE(targetFolders.empty());
    EXPECT_EQ(registry.valueCount(RegistryRoot::classesRoot), 0u);
}

TEST_F(SetupWizardTest, UpdateRouteInstallsIntoTheFolderFoundAndItsBackLeadsToTheInstallPage) {
    folders.addFolder("D:\\Old Player");
    folders.addFile("D:\\Old Player\\Tumbor.exe");
    registry.set(RegistryRoot::classesRoot, kOpenCommandKey, "", "\"D:\\Old Player\\Tumbor.exe\" \"%1\"");
    pages.answers = {kWelcomeUpdate, kPageNext, kPageBack};
    run();
    EXPECT_EQ(pages.log,
              (std::vector<std::string>{"welcome", "update D:\\Old Player\\", "progress", "progress closed",
                                        "finish", "install C:\\Program Files\\Tumbor", "welcome"}));
    EXPECT_EQ(targetFolders, (std::vector<std::string>{"D:\\Old Player\\"}));
    EXPECT_EQ(profileWrites.size(), 2u);

    // Back on the update page returns to the welcome page without installing.
    pages.log.clear();
    pages.answers = {kWelcomeUpdate, kPageBack};
    run();
    EXPECT_EQ(pages.log, (std::vector<std::string>{"welcome", "update D:\\Old Player\\", "welcome"}));
}

TEST_F(SetupWizardTest, FileTypeGoesToTheUsersClassesWhenTheMachinesAreRefused) {
    registry.refuseWrites(RegistryRoot::classesRoot);
    EXPECT_TRUE(registerFileType(registry, "C:\\Tumbor\\"));
    EXPECT_EQ(
        registry.get(RegistryRoot::currentUser, "Software\\Classes\\Tumbor.File\\shell\\open\\command", ""),
        "\"C:\\Tumbor\\Tumbor.exe\" \"%1\"");
    EXPECT_EQ(registry.get(RegistryRoot::currentUser, "Software\\Classes\\Tumbor.File\\DefaultIcon", ""),
              "\"C:\\Tumbor\\Tumbor.exe\"");

    registry.refuseWrites(RegistryRoot::currentUser);
    pages.answers = {kWelcomeInstall, kPageNext};
    pages.typed = {"C:\\Tumbor"};
    pages.finishWith = {false, false, false};
    run();
    EXPECT_EQ(boxTexts(),
              (std::vector<std::string>{
                  "Tumbor has been installed, but:\n\nThe file type Tumbor.File could not be registered."}));
    EXPECT_EQ(platform::recordedMessageBoxes()[0].icon, platform::MessageIcon::warning);
    EXPECT_EQ(pages.log.back(), "finish") << "the files are installed";
}

TEST_F(SetupWizardTest, FilesThatCannotBeUnpackedAreReportedAndNeverLookInstalled) {
    target.writeLimit = 1000;  // back.bmp does not fit
    pages.answers = {kWelcomeInstall};
    pages.typed = {"C:\\Tumbor"};
    run();
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"Tumbor could not be installed. Could not write the file "
                                                    "C:\\Tumbor\\Designs" +
                                                    std::string(1, platform::pathSeparator()) +
                                                    "back.bmp (Not enough space left on the drive?)."}));
    EXPECT_EQ(platform::recordedMessageBoxes()[0].icon, platform::MessageIcon::error);
    EXPECT_TRUE(profileWrites.empty()) << "no settings for an installation that failed";
    EXPECT_EQ(pages.log,
              (std::vector<std::string>{"welcome", "install C:\\Program Files\\Tumbor", "progress",
                                        "progress closed", "install C:\\Program Files\\Tumbor", "welcome"}))
        << "back to the install page, not on to the finish page";

    // An installer without its archive fails the same way.
    platform::clearRecordedMessageBoxes();
    testing::writeFile(installerFile, testing::programImage());
    target.writeLimit = SIZE_MAX;
    pages.answers = {kWelcomeInstall};
    pages.typed = {"C:\\Tumbor"};
    run();
    ASSERT_EQ(boxTexts().size(), 1u);
    EXPECT_EQ(boxTexts()[0],
              "Tumbor could not be installed. The setup program carries no files to install: it is "
              "damaged or incomplete.");
}

TEST_F(SetupWizardTest, SettingsThatCannotBeWrittenAreReported) {
    profileWorks = false;
    pages.answers = {kWelcomeInstall, kPageNext};
    pages.typed = {"C:\\Tumbor"};
    pages.finishWith = {false, false, false};
    run();
    EXPECT_EQ(boxTexts(),
              (std::vector<std::string>{
                  "Tumbor has been installed, but:\n\nThe settings file C:\\Tumbor\\Tumbor.ini could not "
                  "be written."}));
}

TEST_F(SetupWizardTest, ShortcutFoldersFallBackAndFailuresAreReported) {
    SetupSystem setup = system();
    // Without the user's folders: the default profile's.
    registry = platform::SimulatedRegistry();
    registry.set(RegistryRoot::users, std::string(".DEFAULT\\") + kShellFolders, "Programs",
                 "C:\\Default\\Programs");
    registry.set(RegistryRoot::localMachine, kWindowsVersionKey, "SystemRoot", "C:\\WINDOWS");
    finishInstallation({true, true, false}, "C:\\Tumbor", setup);
    ASSERT_EQ(shell.shortcuts.size(), 2u);
    EXPECT_EQ(shell.shortcuts[0].linkPath, "C:\\Default\\Programs\\Tumbor.lnk");
    EXPECT_EQ(shell.shortcuts[1].linkPath, "C:\\WINDOWS\\Desktop\\Tumbor.lnk");
    EXPECT_EQ(shell.shortcuts[1].workingFolder, "C:\\Tumbor\\");

    // Without any folder: no program entry, and the desktop icon in the installation folder.
    registry = platform::SimulatedRegistry();
    shell.shortcuts.clear();
    shell.shortcutsSucceed = false;
    shell.startSucceeds = false;
    finishInstallation({true, true, true}, "C:\\Tumbor\\", setup);
    ASSERT_EQ(shell.shortcuts.size(), 1u);
    EXPECT_EQ(shell.shortcuts[0].linkPath, "C:\\Tumbor\\Tumbor.lnk");
    EXPECT_EQ(boxTexts(),
              (std::vector<std::string>{
                  "Setup could not finish everything:\n\nNo Start->Programs folder was found for the "
                  "program entry.\n\nThe shortcut C:\\Tumbor\\Tumbor.lnk could not be created.\n\n"
                  "C:\\Tumbor\\Tumbor.exe could not be started."}));
}

}  // namespace
}  // namespace tumbor::installer
