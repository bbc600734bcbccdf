// The two dialogs of the MPEG library. The Windows build shows them from the
// library's own resources (win32/); tests use a scripted twin (host/).
#pragma once

#include "libs/mpa/id3v1_tag.h"
#include "libs/mpa/mpa_settings.h"

namespace tumbor {

// The "MPG config" dialog, modal, without owner; true when closed with OK,
// settings then holding the choice.
bool showConfigDialog(void* libraryInstance, MpaSettings& settings);

// The "ID3 TAG Editor" dialog, modal, owned by owner; true when closed with
// Save, fields then holding the edited texts.
bool showTagEditor(void* owner, void* libraryInstance, TagFields& fields);

}  // namespace tumbor
