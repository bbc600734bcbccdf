// File names of design pictures and skin folders, written with either
// separator, made into names the system opens.
#pragma once

#include <string>

namespace tumbor::window {

// Everything before the last separator ("\" or "/"), or "" when there is none.
std::string folderOf(const std::string& path);

// name, when it is absolute, else name inside folder. Separators become the
// system's own.
std::string joinPath(const std::string& folder, const std::string& name);

}  // namespace tumbor::window
