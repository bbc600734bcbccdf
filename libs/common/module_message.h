// The box a module's about and configure operations show: no owner window,
// an empty caption and an OK button.
#pragma once

#include "libs/common/guarded_call.h"
#include "platform/dialogs.h"

namespace tumbor {

inline int showModuleMessage(const char* text) {
    return guardedCall(1, [&] {
        platform::MessageBoxRequest box;
        box.text = text;
        platform::showMessageBox(box);
        return 1;
    });
}

}  // namespace tumbor
