// The grammar of design files: sections, keys and values read into the
// WindowModel's fields. Pictures are not read here (see design_builder.h).
#pragma once

#include <string>

#include "player/window/window_model.h"

namespace tumbor::window {

// Reads every known section and key of text into model. Unknown sections and
// keys, lines without "=" and malformed numbers are passed over.
void parseDesignText(const std::string& text, WindowModel& model);

// A number as design files write it: decimal (starting with a digit or "-")
// or hexadecimal after "$". False, leaving value alone, for anything else.
bool parseDesignNumber(const std::string& text, int& value);

}  // namespace tumbor::window
