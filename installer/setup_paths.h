// The installer's paths: the proposed installation folder, the checks a
// typed folder must pass (creating its folders), and the search for an
// earlier installation.
#pragma once

#include <cstddef>
#include <string>

#include "platform/folders.h"
#include "platform/registry.h"

namespace tumbor::installer {

constexpr char kWindowsVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr char kOpenCommandKey[] = "Tumbor.File\\shell\\open\\command";
constexpr char kDefaultIconKey[] = "Tumbor.File\\DefaultIcon";
// Where a user's own file types live when the machine-wide ones are refused.
constexpr char kUserClassesKey[] = "Software\\Classes\\";
constexpr std::size_t kRegistryTextBytes = 260;

constexpr char kFormatMessage[] = "Path has not the right format (e.g. C:\\Program files\\Tumbor)";
constexpr char kCreationMessage[] =
    "Creation of new directory has failed (Not enough memory left on drive ?).";
constexpr char kChangeMessage[] = "Could not change into newly created directory.";

// path with a backslash added unless it ends with one.
std::string withBackslash(std::string path);
// The program's folder: its path up to and including the last backslash.
std::string folderOf(const std::string& program);

// "ProgramFilesDir" of the Windows version key, or "ProgramFilesPath" when
// that is missing; "" when neither is there.
std::string programFilesFolder(platform::Registry& registry);
// The program-files folder plus "Tumbor", or "C:\Tumbor" without one.
std::string proposedPath(platform::Registry& registry);
// What the folder browser offers for a chosen folder: it plus "Tumbor".
std::string pathInFolder(const std::string& folder);

struct PathCheck {
    bool accepted = false;
    std::string message;  // the error box's text when refused
};

// Checks a typed installation path and walks it from its drive's root,
// creating each missing folder; the last one is current when it is accepted.
// Folders made before a failure stay.
PathCheck acceptPath(const std::string& path, platform::Folders& folders);

// Tumbor.exe of an earlier installation, "" when none is found: the program
// in the file type's open command, then in the program-files folder, in
// C:\Tumbor and in the system root's Tumbor folder.
std::string findEarlierInstallation(platform::Registry& registry, platform::Folders& folders);

}  // namespace tumbor::installer
