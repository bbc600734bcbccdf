// The tracker library's about text: its lines and their spacing.
#include "libs/trk/trk_about.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace tumbor::trk {
namespace {

TEST(TrkAboutTest, ListsTheFormatsOnePerLine) {
    std::string text = trkAboutText();
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find('\r'), std::string::npos);

    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[0], "This module support was taken from Oxbeam for DOS.");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "It decodes the following formats:");
    // The two-letter extensions are padded to line up with the others.
    EXPECT_EQ(lines[6], ".XM  (Fasttracker II)");
    EXPECT_EQ(lines[7], ".IT  (Impulse tracker)");
    EXPECT_EQ(lines[14], ".669");
    for (size_t i = 3; i < lines.size(); ++i) EXPECT_EQ(lines[i][0], '.') << lines[i];
}

}  // namespace
}  // namespace tumbor::trk
