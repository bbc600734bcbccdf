// The heap texts a module hands the player (errorText, titleText). The module
// allocates and frees them itself, since each library has its own heap.
#pragma once

#include <cstdlib>
#include <cstring>

namespace tumbor {

inline void freeModuleText(char*& field) {
    std::free(field);
    field = nullptr;
}

inline void setModuleText(char*& field, const char* text) {
    freeModuleText(field);
    size_t length = std::strlen(text) + 1;
    field = static_cast<char*>(std::malloc(length));
    if (field) std::memcpy(field, text, length);
}

}  // namespace tumbor
