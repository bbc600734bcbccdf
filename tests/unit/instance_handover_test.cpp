// Handing a path over between two instances of the player.
#include <gtest/gtest.h>

#include "player/engine/instance_handover.h"

namespace tumbor {
namespace {

TEST(InstanceHandOverTest, PathSurvivesTheTripIncludingHighBytes) {
    std::string path = "\"C:\\My Music\\caf\xE9 song.mp3\"";
    HandOverReceiver receiver;
    std::optional<std::string> received;
    for (uint32_t unit : handOverUnits(path, 0xBEEF)) {
        ASSERT_FALSE(received.has_value());
        received = receiver.receive(unit);
    }
    ASSERT_TRUE(received.has_value());
    EXPECT_EQ(*received, path);
}

TEST(InstanceHandOverTest, UnitsOfAnotherHandOverAreIgnored) {
    HandOverReceiver receiver;
    std::vector<uint32_t> first = handOverUnits("a.wav", 1);
    std::vector<uint32_t> second = handOverUnits("b.wav", 2);
    // The first begins, the second begins and takes over; the first's rest is ignored.
    receiver.receive(first[0]);
    receiver.receive(first[1]);
    std::optional<std::string> result;
    for (uint32_t unit : second) {
        result = receiver.receive(unit);
        if (result) break;
    }
    for (size_t i = 2; i < first.size(); ++i) EXPECT_FALSE(receiver.receive(first[i]).has_value());
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, "b.wav");

    // An over-long stream of units stops at 260 characters.
    receiver.receive(3u << 16 | kHandOverBegin);
    for (int i = 0; i < 1000; ++i) receiver.receive(3u << 16 | 'x');
    EXPECT_EQ(receiver.receive(3u << 16 | kHandOverEnd)->size(), 260u);
}

TEST(InstanceHandOverTest, StateAnswers) {
    EXPECT_EQ(stateForOutsideCallers(0), 1);
    EXPECT_EQ(stateForOutsideCallers(1), 3);
    EXPECT_EQ(stateForOutsideCallers(2), 0);
}

}  // namespace
}  // namespace tumbor
