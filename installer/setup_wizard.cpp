// The wizard's course and the installation it runs.
#include "installer/setup_wizard.h"

#include "installer/setup_paths.h"
#include "platform/code_page.h"
#include "platform/dialogs.h"
#include "platform/profile.h"

namespace tumbor::installer {
namespace {

using platform::RegistryRoot;

constexpr char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

void showBox(const std::string& text, platform::MessageIcon icon) {
    platform::MessageBoxRequest box;
    box.text = text;
    box.caption = "Error";
    box.icon = icon;
    platform::showMessageBox(box);
}

void reportProblems(const std::string& heading, const std::vector<std::string>& problems) {
    if (problems.empty()) return;
    std::string text = heading;
    for (const std::string& problem : problems) text += "\n\n" + problem;
    showBox(text, platform::MessageIcon::warning);
}

// A user folder of the shell: the current user's, as the system's default
// profile is not the user's on Windows NT and later, else the default profile's.
std::string shellFolder(platform::Registry& registry, const std::string& name) {
    for (const auto& [root, prefix] : {std::pair{RegistryRoot::currentUser, std::string()},
                                       std::pair{RegistryRoot::users, std::string(".DEFAULT\\")}}) {
        const auto folder = registry.readString(root, prefix + kShellFoldersKey, name, kRegistryTextBytes);
        if (folder && !folder->empty()) return *folder;
    }
    return "";
}

bool makeShortcut(platform::ShellActions& shell, const std::string& linkPath,
                  const std::string& installPath) {
    platform::Shortcut shortcut;
    shortcut.linkPath = linkPath;
    shortcut.target = installPath + "Tumbor.exe";
    shortcut.workingFolder = installPath;
    shortcut.iconPath = shortcut.target;
    shortcut.iconIndex = 0;
    shortcut.description = "Tumbor";
    return shell.createShortcut(shortcut);
}

enum class Step { welcome, install, update, finish, done };

}  // namespace

bool registerFileType(platform::Registry& registry, const std::string& installPath) {
    const std::string program = "\"" + installPath + "Tumbor.exe\"";
    const auto writeUnder = [&](RegistryRoot root, const std::string& prefix) {
        return registry.writeString(root, prefix + kOpenCommandKey, "", program + " \"%1\"") &&
               registry.writeString(root, prefix + kDefaultIconKey, "", program);
    };
    return writeUnder(RegistryRoot::classesRoot, "") ||
           writeUnder(RegistryRoot::currentUser, kUserClassesKey);
}

bool runInstallation(const std::string& installPath, SetupSystem& system, ProgressView& progress) {
    const std::string path = withBackslash(installPath);
    std::vector<std::string> problems;
    if (!registerFileType(system.registry, path))
        problems.push_back("The file type Tumbor.File could not be registered.");

    progress.open();
    std::unique_ptr<UnpackTarget> target =
        system.makeTarget ? system.makeTarget(path) : std::make_unique<FolderTarget>(path);
    const UnpackResult unpacked = unpack(system.installerPath, path, system.folders, *target,
                                         [&progress](int percent) { progress.setPercent(percent); });
    progress.close();
    if (!unpacked.ok()) {
        showBox("Tumbor could not be installed. " + unpackFailureText(unpacked, path),
                platform::MessageIcon::error);
        return false;
    }

    const ProfileWriter write = system.writeProfile ? system.writeProfile : platform::writeProfileString;
    // The settings file's name and texts are in the ANSI code page, as the
    // player and the stream libraries read them.
    const std::string settings = path + "Tumbor.ini";
    const std::string settingsFile = platform::ansiFileName(settings);
    if (!write("General", "GUI", "0", settingsFile) ||
        !write("Design", "Current", platform::ansiFromUtf8(path + "TumborR.design"), settingsFile))
        problems.push_back("The settings file " + settings + " could not be written.");
    reportProblems("Tumbor has been installed, but:", problems);
    return true;
}

void finishInstallation(const FinishOptions& options, const std::string& installPath, SetupSystem& system) {
    const std::string path = withBackslash(installPath);
    std::vector<std::string> problems;
    const auto shortcut = [&](const std::string& linkPath) {
        if (!makeShortcut(system.shell, linkPath, path))
            problems.push_back("The shortcut " + linkPath + " could not be created.");
    };
    if (options.programEntry) {
        const std::string programs = shellFolder(system.registry, "Programs");
        if (programs.empty())
            problems.push_back("No Start->Programs folder was found for the program entry.");
        else
            shortcut(withBackslash(programs) + "Tumbor.lnk");
    }
    if (options.desktopIcon) {
        std::string desktop = shellFolder(system.registry, "Desktop");
        if (!desktop.empty()) {
            desktop = withBackslash(desktop);
        } else {
            const std::string systemRoot = system.registry
                                               .readString(RegistryRoot::localMachine, kWindowsVersionKey,
                                                           "SystemRoot", kRegistryTextBytes)
                                               .value_or("");
            // Without a system root the link lands in the current folder, the installation's.
            desktop = systemRoot.empty() ? path : withBackslash(systemRoot) + "Desktop\\";
        }
        shortcut(desktop + "Tumbor.lnk");
    }
    if (options.startPlayer && !system.shell.startProgram(path + "Tumbor.exe", path))
        problems.push_back(path + "Tumbor.exe could not be started.");
    reportProblems("Setup could not finish everything:", problems);
}

void runWizard(WizardPages& pages, SetupSystem& system) {
    Step step = Step::welcome;
    std::string installPath;
    const auto accept = [&](const std::string& text) {
        const PathCheck check = acceptPath(text, system.folders);
        if (!check.accepted) {
            showBox(check.message, platform::MessageIcon::error);
            return false;
        }
        installPath = text;
        return true;
    };
    while (step != Step::done) {
        switch (step) {
            case Step::welcome: {
                const int answer = pages.welcome();
                step = answer == kWelcomeInstall  ? Step::install
                       : answer == kWelcomeUpdate ? Step::update
                                                  : Step::done;
                break;
            }
            case Step::install:
                if (pages.install(proposedPath(system.registry), accept) != kPageNext)
                    step = Step::welcome;
                else if (runInstallation(installPath, system, pages.progress()))
                    step = Step::finish;
                break;
            case Step::update: {
                const std::string program = findEarlierInstallation(system.registry, system.folders);
                if (program.empty()) {
                    pages.noEarlierInstallation();
                    step = Step::welcome;
                    break;
                }
                installPath = folderOf(program);
                if (pages.update(installPath) != kPageNext)
                    step = Step::welcome;
                else if (runInstallation(installPath, system, pages.progress()))
                    step = Step::finish;
                break;
            }
            case Step::finish: {
                FinishOptions options;
                if (pages.finish(options) == kPageNext) {
                    finishInstallation(options, installPath, system);
                    step = Step::done;
                } else {
                    step = Step::install;
                }
                break;
            }
            case Step::done:
                break;
        }
    }
}

}  // namespace tumbor::installer
