// The in-memory Windows-like file system of the unit tests.
#include <cctype>

#include "platform/simulated_folders.h"

namespace platform {
namespace {

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string parentOf(const std::string& path) {
    std::size_t last = path.rfind('\\');
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

}  // namespace

SimulatedFolders::SimulatedFolders(const std::string& drives) : drives_(upper(drives)) {
    for (char drive : drives_) folders_.insert(std::string(1, drive) + ":");
    current_ = drives_.empty() ? std::string() : std::string(1, drives_[0]) + ":";
}

std::string SimulatedFolders::normal(const std::string& path) {
    std::string result = upper(path);
    while (result.size() > 2 && result.back() == '\\') result.pop_back();
    if (result.size() == 3 && result[1] == ':') result.pop_back();
    return result;
}

std::string SimulatedFolders::full(const std::string& path) const {
    std::string start;
    std::string rest = upper(path);
    if (rest.size() >= 2 && rest[1] == ':') {
        if (rest.size() > 2 && rest[2] != '\\') return "";  // "C:name" is not used here
        start = rest.substr(0, 2);
        rest = rest.substr(rest.size() > 2 ? 3 : 2);
    } else {
        start = current_;
    }
    // Walk the names, with "." and ".." as Windows takes them.
    std::string result = start;
    std::size_t begin = 0;
    while (begin <= rest.size()) {
        std::size_t end = rest.find('\\', begin);
        if (end == std::string::npos) end = rest.size();
        const std::string name = rest.substr(begin, end - begin);
        if (name == "..") {
            if (result.size() > 2) result = parentOf(result);
        } else if (!name.empty() && name != ".") {
            result += "\\" + name;
        }
        begin = end + 1;
    }
    return result;
}

bool SimulatedFolders::setCurrent(const std::string& path) {
    const std::string target = full(path);
    if (target.empty() || !folders_.count(target) || refusedEnter_.count(target)) return false;
    current_ = target;
    return true;
}

bool SimulatedFolders::create(const std::string& path) {
    const std::string target = full(path);
    ++creates_;
    if (target.size() <= 2 || refusedCreate_.count(target)) return false;
    if (folders_.count(target) || files_.count(target) || !folders_.count(parentOf(target))) return false;
    folders_.insert(target);
    return true;
}

bool SimulatedFolders::isFolder(const std::string& path) {
    const std::string target = full(path);
    return !target.empty() && folders_.count(target) > 0;
}

bool SimulatedFolders::fileExists(const std::string& path) {
    const std::string target = full(path);
    return !target.empty() && files_.count(target) > 0;
}

void SimulatedFolders::addFile(const std::string& path) { files_.insert(normal(path)); }

void SimulatedFolders::addFolder(const std::string& path) {
    std::string target = normal(path);
    while (target.size() > 2) {
        folders_.insert(target);
        target = parentOf(target);
    }
}

}  // namespace platform
