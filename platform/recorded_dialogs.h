// The message boxes a test double recorded instead of showing them.
#pragma once

#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace platform {

// Every box requested since the last clear, oldest first.
const std::vector<MessageBoxRequest>& recordedMessageBoxes();
void clearRecordedMessageBoxes();

// The answer the next boxes give (ok or yes until changed).
void setRecordedMessageAnswer(MessageAnswer answer);

// The paths the next file-open dialogs answer, oldest first; once they are
// used up the dialog is cancelled.
void setRecordedFileChoices(const std::vector<std::string>& paths);
int recordedFileDialogCount();

}  // namespace platform
