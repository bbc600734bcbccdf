// The scripted twin of the MPEG library's dialogs: a test says what the
// "user" does in each dialog, and sees what the dialog was shown with.
#pragma once

#include <functional>

#include "libs/mpa/mpa_dialogs.h"

namespace tumbor {

// Each script edits the dialog's data and answers true for OK (or Save),
// false for Cancel. Without a script a dialog is cancelled.
void scriptConfigDialog(std::function<bool(MpaSettings&)> script);
void scriptTagEditor(std::function<bool(TagFields&)> script);

// The owner window the last tag editor was given.
void* lastTagEditorOwner();

}  // namespace tumbor
