// Skin archives: pictures found by name in any folder and case, deflated or
// stored, and archives that are damaged, truncated or ask for too much.
#include "player/window/skin_archive.h"

#include <gtest/gtest.h>

#include "tests/unit/window_test_support.h"
#include "tools/design_gen/test_skin.h"

namespace tumbor::window {
namespace {

using tools::ArchiveMember;
using Bytes = std::vector<uint8_t>;

// Bytes that do not compress, so that damage to them cannot go unnoticed.
Bytes noise(size_t size, uint32_t seed) {
    Bytes bytes(size);
    for (uint8_t& b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<uint8_t>(seed >> 16);
    }
    return bytes;
}

class SkinArchiveTest : public ::testing::Test {
protected:
    // The zip file of members, as bytes.
    Bytes zipped(const std::vector<ArchiveMember>& members) {
        const std::string file = folder_.path("test.zip");
        EXPECT_TRUE(tools::writeZipArchive(file, members));
        Bytes bytes;
        EXPECT_TRUE(readWholeFile(file, kMaxSkinArchiveBytes, bytes));
        return bytes;
    }

    testing::TempFolder folder_;
};

TEST_F(SkinArchiveTest, FindsPicturesInAnyFolderWhateverTheirCase) {
    const std::vector<ArchiveMember> members = tools::testSkinArchiveMembers();
    auto archive = SkinArchive::open(zipped(members));
    ASSERT_TRUE(archive);
    const std::vector<ArchiveMember> files = tools::testSkinFiles();
    Bytes bytes;
    for (const ArchiveMember& file : files) {
        ASSERT_TRUE(archive->read(file.name, bytes)) << file.name;
        EXPECT_EQ(bytes, file.bytes) << file.name;
    }
    EXPECT_EQ(members[0].name, "TestSkin/MAIN.BMP");
    EXPECT_TRUE(archive->read("mAiN.bMp", bytes));
    EXPECT_FALSE(archive->read("TestSkin", bytes)) << "a folder is no picture";
    EXPECT_FALSE(archive->read("Balance.bmp", bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(archive->read("", bytes));
}

TEST_F(SkinArchiveTest, TheShallowestOfSeveralNamesakesWinsThenTheFirst) {
    auto archive = SkinArchive::open(zipped({{"__MACOSX/Skin/._main.bmp", {1}},
                                             {"Skin/Old/main.bmp", {2}},
                                             {"Skin/MAIN.BMP", {3}},
                                             {"Other\\Main.bmp", {4}},
                                             {"skin/Text.bmp", {5}, true},
                                             {"skin/text.bmp", {6}}}));
    ASSERT_TRUE(archive);
    Bytes bytes;
    ASSERT_TRUE(archive->read("main.bmp", bytes));
    EXPECT_EQ(bytes, Bytes{3}) << "one folder deep, and before the other one (a \\ separates too)";
    ASSERT_TRUE(archive->read("Text.bmp", bytes));
    EXPECT_EQ(bytes, Bytes{5});
}

TEST_F(SkinArchiveTest, StoredAndEmptyMembersRead) {
    const Bytes data = noise(5000, 1);
    auto archive = SkinArchive::open(zipped({{"a.bmp", data, true}, {"b.bmp", data}, {"empty.bmp", {}}}));
    ASSERT_TRUE(archive);
    Bytes bytes;
    ASSERT_TRUE(archive->read("a.bmp", bytes));
    EXPECT_EQ(bytes, data);
    ASSERT_TRUE(archive->read("b.bmp", bytes));
    EXPECT_EQ(bytes, data);
    EXPECT_TRUE(archive->read("empty.bmp", bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST_F(SkinArchiveTest, DamagedArchivesAndMembersAreRefused) {
    EXPECT_FALSE(SkinArchive::open({}));
    EXPECT_FALSE(SkinArchive::open(noise(3000, 2)));
    const Bytes whole = zipped({{"a.bmp", noise(4000, 3), true}, {"b.bmp", noise(4000, 4)}});
    // Cut into the central directory, the middle or the first header.
    for (size_t cut : {whole.size() - 30, whole.size() / 2, size_t{22}}) {
        auto archive = SkinArchive::open(Bytes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(cut)));
        Bytes bytes;
        EXPECT_FALSE(archive && archive->read("a.bmp", bytes)) << "cut to " << cut;
    }

    // A changed byte in a member's data fails its CRC check; the other member still reads.
    Bytes damaged = whole;
    damaged[2000] ^= 0x40;
    auto archive = SkinArchive::open(damaged);
    ASSERT_TRUE(archive);
    Bytes bytes;
    EXPECT_FALSE(archive->read("a.bmp", bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_TRUE(archive->read("b.bmp", bytes));
    damaged[whole.size() / 2 + 2000] ^= 0x40;  // inside the deflated member
    archive = SkinArchive::open(damaged);
    ASSERT_TRUE(archive);
    EXPECT_FALSE(archive->read("b.bmp", bytes));
}

TEST_F(SkinArchiveTest, AMemberUnpackingToTooMuchIsNotRead) {
    // Zeros deflate to almost nothing: a small archive that would fill memory.
    auto archive = SkinArchive::open(
        zipped({{"main.bmp", Bytes(SkinArchive::kMaxMemberBytes + 1)}, {"text.bmp", Bytes(100)}}));
    ASSERT_TRUE(archive);
    Bytes bytes;
    EXPECT_FALSE(archive->read("main.bmp", bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_TRUE(archive->read("text.bmp", bytes));
}

}  // namespace
}  // namespace tumbor::window
