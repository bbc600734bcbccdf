// Where a skin is read from: a folder, an archive file, or nothing readable.
#include "player/window/skin_source.h"

#include <gtest/gtest.h>

#include "tests/unit/window_test_support.h"
#include "tools/design_gen/test_skin.h"

namespace tumbor::window {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(SkinSourceTest, AFileIsReadAsAnArchiveAndAnythingElseAsAFolder) {
    testing::TempFolder folder;
    folder.write("main.bmp", Bytes{1, 2});
    ASSERT_TRUE(tools::writeZipArchive(folder.path("skin.wsz"), {{"Skin/main.bmp", {3, 4}}}));
    folder.write("notazip.wsz", std::string("PK but nothing more"));
    folder.write("empty.wsz", std::string());
    Bytes bytes;

    auto asFolder = openSkinSource(folder.path());
    ASSERT_TRUE(asFolder);
    ASSERT_TRUE(asFolder->read("main.bmp", bytes));
    EXPECT_EQ(bytes, (Bytes{1, 2}));
    EXPECT_FALSE(asFolder->read("skin.wsz/main.bmp", bytes)) << "no way into an archive by path";

    auto asArchive = openSkinSource(folder.path("skin.wsz"));
    ASSERT_TRUE(asArchive);
    ASSERT_TRUE(asArchive->read("MAIN.BMP", bytes));
    EXPECT_EQ(bytes, (Bytes{3, 4}));

    EXPECT_FALSE(openSkinSource(folder.path("notazip.wsz")));
    EXPECT_FALSE(openSkinSource(folder.path("empty.wsz")));
    auto missing = openSkinSource(folder.path("gone.wsz"));
    ASSERT_TRUE(missing) << "what is no file is taken as a folder";
    EXPECT_FALSE(missing->read("main.bmp", bytes));
}

TEST(SkinSourceTest, ReadWholeFileKeepsToItsLimit) {
    testing::TempFolder folder;
    const Bytes data(200000, 7);
    folder.write("data", data);
    Bytes bytes;
    EXPECT_TRUE(readWholeFile(folder.path("data"), data.size(), bytes));
    EXPECT_EQ(bytes, data);
    EXPECT_FALSE(readWholeFile(folder.path("data"), data.size() - 1, bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(readWholeFile(folder.path("nothing"), 10, bytes));
    EXPECT_FALSE(readWholeFile(folder.path(), 1000, bytes)) << "a folder is no file";
}

}  // namespace
}  // namespace tumbor::window
