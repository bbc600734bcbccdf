// What the libraries' settings share: numbers read from their section of the
// player's settings file, and the configuration dialogs' radio buttons, each
// standing for one value of a setting.
#pragma once

#include <cctype>
#include <cstddef>
#include <functional>
#include <string>

#include "platform/profile.h"

namespace tumbor {

// The key's number; defaultValue when the entry is missing or does not begin
// with a number (the profile call alone would give 0 for "abc").
inline int readSettingNumber(const char* section, const char* key, int defaultValue,
                             const std::string& iniPath) {
    std::string text = platform::getProfileString(section, key, "", iniPath);
    size_t digit = text.find_first_not_of("+-");
    if (digit == std::string::npos || digit > 1 || !std::isdigit(static_cast<unsigned char>(text[digit])))
        return defaultValue;
    return static_cast<int>(platform::getProfileInt(section, key, defaultValue, iniPath));
}

struct RadioValue {
    int control;
    int value;
};

// The radio of a group standing for value; 0 for none.
template <size_t N>
int radioFor(const RadioValue (&radios)[N], int value) {
    for (const RadioValue& radio : radios)
        if (radio.value == value) return radio.control;
    return 0;
}

// The value of the group's first checked radio, in the group's order; old
// when none is checked.
template <size_t N>
int checkedValue(const RadioValue (&radios)[N], int old, const std::function<bool(int)>& isChecked) {
    for (const RadioValue& radio : radios)
        if (isChecked(radio.control)) return radio.value;
    return old;
}

}  // namespace tumbor
