// Proposing, checking and finding the installation folder.
#include "installer/setup_paths.h"

#include <cctype>
#include <optional>
#include <vector>

namespace tumbor::installer {
namespace {

using platform::RegistryRoot;

std::string readText(platform::Registry& registry, RegistryRoot root, const std::string& key,
                     const std::string& name) {
    return registry.readString(root, key, name, kRegistryTextBytes).value_or("");
}

// The program named by a file type's open command: only a quoted one counts.
std::string quotedProgram(const std::string& command) {
    if (command.empty() || command[0] != '"') return "";
    const std::size_t close = command.find('"', 1);
    return close == std::string::npos ? "" : command.substr(1, close - 1);
}

}  // namespace

std::string withBackslash(std::string path) {
    if (path.empty() || path.back() != '\\') path += '\\';
    return path;
}

std::string folderOf(const std::string& program) {
    const std::size_t last = program.rfind('\\');
    return last == std::string::npos ? "" : program.substr(0, last + 1);
}

std::string programFilesFolder(platform::Registry& registry) {
    auto folder = registry.readString(RegistryRoot::localMachine, kWindowsVersionKey, "ProgramFilesDir",
                                      kRegistryTextBytes);
    if (!folder)
        folder = registry.readString(RegistryRoot::localMachine, kWindowsVersionKey, "ProgramFilesPath",
                                     kRegistryTextBytes);
    return folder.value_or("");
}

std::string proposedPath(platform::Registry& registry) {
    const std::string folder = programFilesFolder(registry);
    return folder.empty() ? "C:\\Tumbor" : pathInFolder(folder);
}

std::string pathInFolder(const std::string& folder) { return withBackslash(folder) + "Tumbor"; }

PathCheck acceptPath(const std::string& path, platform::Folders& folders) {
    std::string checked = path;
    if (!checked.empty())
        checked[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(checked[0])));
    if (checked.size() < 3 || checked[0] < 'A' || checked[0] > 'Z' || checked[1] != ':' ||
        checked[2] != '\\' || checked.find("\\\\") != std::string::npos)
        return {false, kFormatMessage};
    if (!folders.setCurrent(checked.substr(0, 3)))
        return {false, "Drive " + checked.substr(0, 2) + " could not be found."};
    std::size_t begin = 3;
    while (begin < checked.size()) {
        std::size_t end = checked.find('\\', begin);
        if (end == std::string::npos) end = checked.size();
        const std::string name = checked.substr(begin, end - begin);
        begin = end + 1;
        if (folders.setCurrent(name)) continue;
        if (!folders.create(name)) return {false, kCreationMessage};
        if (!folders.setCurrent(name)) return {false, kChangeMessage};
    }
    return {true, ""};
}

std::string findEarlierInstallation(platform::Registry& registry, platform::Folders& folders) {
    std::vector<std::string> candidates;
    candidates.push_back(quotedProgram(readText(registry, RegistryRoot::classesRoot, kOpenCommandKey, "")));
    // The user's own file type, where it was written when the machine's was refused.
    candidates.push_back(quotedProgram(
        readText(registry, RegistryRoot::currentUser, std::string(kUserClassesKey) + kOpenCommandKey, "")));
    const std::string programFiles = programFilesFolder(registry);
    if (!programFiles.empty()) candidates.push_back(withBackslash(programFiles) + "Tumbor\\Tumbor.exe");
    candidates.push_back("C:\\Tumbor\\Tumbor.exe");
    const std::string systemRoot =
        readText(registry, RegistryRoot::localMachine, kWindowsVersionKey, "SystemRoot");
    if (!systemRoot.empty()) candidates.push_back(withBackslash(systemRoot) + "Tumbor\\Tumbor.exe");
    for (const std::string& candidate : candidates)
        if (!candidate.empty() && folders.fileExists(candidate)) return candidate;
    return "";
}

}  // namespace tumbor::installer
