// Checks a module whose about and configure operations both show one plain
// box: no owner, an empty caption, an OK button and the given text.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/recorded_dialogs.h"
#include "stream/stream_module.h"

namespace tumbor::testing {

inline void expectAboutAndConfigureShow(StreamModule& module, const std::string& text) {
    platform::clearRecordedMessageBoxes();
    EXPECT_EQ(module.about(), 1);
    EXPECT_EQ(module.configure(), 1);
    const auto& boxes = platform::recordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    for (const platform::MessageBoxRequest& box : boxes) {
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(box.caption, "");
        EXPECT_EQ(box.buttons, platform::MessageButtons::ok);
        EXPECT_EQ(box.text, text);
    }
}

}  // namespace tumbor::testing
