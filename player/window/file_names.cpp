// Joining design and skin file names; designs written on Windows use "\".
#include "player/window/file_names.h"

namespace tumbor::window {
namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

std::string withSystemSeparators(std::string path) {
    for (char& c : path)
        if (c == '\\' || c == '/') c = kSeparator;
    return path;
}

bool isAbsolute(const std::string& name) {
    if (!name.empty() && (name[0] == '\\' || name[0] == '/')) return true;
    return name.size() >= 2 && name[1] == ':';
}

}  // namespace

std::string folderOf(const std::string& path) {
    const size_t last = path.find_last_of("\\/");
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || isAbsolute(name)) return withSystemSeparators(name);
    return withSystemSeparators(folder + kSeparator + name);
}

}  // namespace tumbor::window
