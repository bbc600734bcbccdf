// The installation wizard's course over its pages: the install and update
// routes, running the installation (file type, files, settings) and the
// finish actions (shortcuts, starting the player). The pages themselves and
// the system behind them are interfaces, so the course runs in tests too.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "installer/payload_archive.h"
#include "platform/folders.h"
#include "platform/registry.h"
#include "platform/shell_actions.h"

namespace tumbor::installer {

// What the pages' buttons end them with.
constexpr int kWelcomeCancel = 0;
constexpr int kWelcomeInstall = 1;
constexpr int kWelcomeUpdate = 2;
constexpr int kPageNext = 1;  // "&Next >" and "Fi&nish"
constexpr int kPageBack = 2;

struct FinishOptions {
    bool programEntry = true;  // a shortcut under Start->Programs
    bool desktopIcon = true;   // a shortcut on the desktop
    bool startPlayer = true;
};

// The progress page shown while the files are unpacked.
class ProgressView {
public:
    virtual ~ProgressView() = default;
    virtual void open() = 0;
    virtual void setPercent(int percent) = 0;
    virtual void close() = 0;
};

class WizardPages {
public:
    virtual ~WizardPages() = default;
    // kWelcomeInstall, kWelcomeUpdate or kWelcomeCancel.
    virtual int welcome() = 0;
    // The install page, its edit preset with proposed. Next hands the edit's
    // text to accept, and the page closes with kPageNext only when it agrees.
    virtual int install(const std::string& proposed,
                        const std::function<bool(const std::string&)>& accept) = 0;
    // Page 131: no earlier installation was found.
    virtual void noEarlierInstallation() = 0;
    // Page 132 showing the folder of the installation found.
    virtual int update(const std::string& folder) = 0;
    // The finish page; its check boxes start from options and end in them.
    virtual int finish(FinishOptions& options) = 0;
    virtual ProgressView& progress() = 0;
};

using ProfileWriter = std::function<bool(const std::string& section, const std::string& key,
                                         const std::string& value, const std::string& path)>;
using TargetMaker = std::function<std::unique_ptr<UnpackTarget>(const std::string& folder)>;

// What the wizard works on.
struct SetupSystem {
    platform::Registry& registry;
    platform::Folders& folders;
    platform::ShellActions& shell;
    std::string installerPath;   // the installer's own file, which carries the archive
    TargetMaker makeTarget;      // where the files go: FolderTarget on the folder by default
    ProfileWriter writeProfile;  // the settings file: platform::writeProfileString by default
};

// Runs the pages until the user leaves or finishes.
void runWizard(WizardPages& pages, SetupSystem& system);

// Writes the file type's open command and icon under HKEY_CLASSES_ROOT or,
// when that is refused, under the user's own classes; false when both fail.
bool registerFileType(platform::Registry& registry, const std::string& installPath);

// The installation into installPath: file type, files, settings entries.
// False, after an error box, when the files could not all be unpacked; a
// warning box lists whatever else failed.
bool runInstallation(const std::string& installPath, SetupSystem& system, ProgressView& progress);

// The finish actions chosen in options; a warning box lists what failed.
void finishInstallation(const FinishOptions& options, const std::string& installPath, SetupSystem& system);

}  // namespace tumbor::installer
