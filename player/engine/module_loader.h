// Offering a file to the registered modules and unloading the one that took it.
#pragma once

#include <string>

#include "player/engine/input_services.h"
#include "player/engine/module_registry.h"
#include "player/engine/playlist.h"

namespace tumbor {

// Offers name (UTF-8) to each module in registry order and returns the first
// that accepts it, opened, with its input attached; null when none does. Names
// with "://" go only to ownInput modules. A rejecting module is closed at once.
// The file is opened once and rewound for each module it is offered to.
// A module without utf8Text gets a name it can open with the ANSI file calls.
// The reader slot offers files only to modules with pcmOutput and without
// ownInput (the others would make sound or read no file).
StreamModule* probeModules(const ModuleRegistry& registry, const std::string& name,
                           InputSlot slot = InputSlot::playback);

// Frees fileName, closes the module and closes its input unless keepInput.
void unloadModule(StreamModule& module, InputSlot slot = InputSlot::playback);

// Offers name (or null for the file playing) to each module's songInfo in
// registry order until one handles it, in the form the module reads; false
// when none did.
bool offerSongInfo(const ModuleRegistry& registry, const char* name);

// A file's title and length as its module gives them, through the reader
// slot: the module's title, else the file's name; the length from getLength
// after start. Only the file's name when no module takes it. Use a registry
// of its own, so the song playing is left alone.
EntryDetails readEntryDetails(const ModuleRegistry& registry, const std::string& path);

// A text of the module (its title or error) as UTF-8.
std::string moduleText(const StreamModule& module, const char* text);

// The message for a file no module accepts.
std::string unknownFormatMessage(const std::string& name);
// The message for a module whose start failed: its errorText, or a fixed text.
std::string startFailureMessage(const StreamModule& module);

}  // namespace tumbor
