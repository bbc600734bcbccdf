// Skin folders and archives: every rectangle lands where it belongs, the
// skin font's character map, and folders and archives that cannot be loaded.
#include "player/window/skin_loader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "player/window/skin_text.h"
#include "player/window/window_view.h"
#include "tests/unit/window_test_support.h"
#include "tools/design_gen/test_skin.h"

namespace tumbor::window {
namespace {

using tools::testSkinPixel;
enum Picture { kMain, kButtons, kTitleBar, kPosbar, kVolumePicture, kMonoSter, kShufRep, kText, kNumbers };

class SkinLoaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tools::writeTestSkin(folder_.path())); }

    // The back buffer's block at (x, y) is picture id's block at (sourceX, sourceY).
    void expectBlock(const Surface& surface, int x, int y, int w, int h, int id, int sourceX, int sourceY) {
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i)
                ASSERT_EQ(surface.pixel(x + i, y + j), testSkinPixel(id, sourceX + i, sourceY + j))
                    << "at " << x + i << "," << y + j << " from picture " << id;
    }

    testing::TempFolder folder_;
    WindowModel model_;
};

TEST_F(SkinLoaderTest, ComposesTheWindowFromTheSkinPictures) {
    ASSERT_TRUE(skinLoad(folder_.path(), model_));
    testing::RecordingTextPainter painter;
    testing::FakePlayer player;
    WindowView view(model_, painter, player);
    view.startLook();
    EXPECT_EQ(player.volume, 65536u) << "the volume is applied";
    const Surface& back = model_.backBuffer;
    ASSERT_EQ(back.width(), 275);
    ASSERT_EQ(back.height(), 116);
    EXPECT_EQ(model_.kind, LookKind::skin);
    expectBlock(back, 0, 20, 10, 2, kMain, 0, 20);
    expectBlock(back, 0, 0, 6, 3, kTitleBar, 27, 0);
    expectBlock(back, 10, 22, 8, 43, kTitleBar, 312, 0);
    expectBlock(back, 16, 88, 23, 18, kButtons, 0, 0);     // previous song
    expectBlock(back, 39, 88, 23, 18, kButtons, 23, 0);    // play
    expectBlock(back, 108, 88, 22, 18, kButtons, 92, 0);   // next song
    expectBlock(back, 136, 89, 22, 16, kButtons, 114, 0);  // disk operations
    expectBlock(back, 6, 3, 9, 9, kTitleBar, 0, 0);        // options
    expectBlock(back, 254, 3, 9, 9, kTitleBar, 0, 18);     // song information
    expectBlock(back, 264, 3, 9, 9, kTitleBar, 18, 0);     // close
    expectBlock(back, 177, 57, 12, 13, kVolumePicture, 9, 0);
    expectBlock(back, 212, 41, 27, 12, kMonoSter, 29, 12);
    expectBlock(back, 239, 41, 29, 12, kMonoSter, 0, 0);
    expectBlock(back, 210, 89, 28, 15, kShufRep, 0, 0);    // repeat, off
    expectBlock(back, 242, 58, 23, 12, kShufRep, 23, 61);  // playlist, off
    // The gauges: position background and slider at 0; at full volume the
    // last of the 28 volume frames and the slider at the right end.
    expectBlock(back, 16 + 29, 72, 10, 10, kPosbar, 29, 0);
    expectBlock(back, 16, 72, 29, 10, kPosbar, 248, 0);
    expectBlock(back, 107, 57, 54, 13, kVolumePicture, 0, 27 * 15);
    expectBlock(back, 107 + 54, 57, 14, 11, kVolumePicture, 15, 422);
    // The title area: no module, so blank cells, a sample rate of "44" and "---".
    expectBlock(back, 112, 27, 5, 6, kText, 145, 0);
    expectBlock(back, 156, 43, 5, 6, kText, 20, 6);
    expectBlock(back, 111, 43, 5, 6, kText, 75, 6);

    const ControlSlot& play = model_.control(kPlay);
    expectBlock(play.images[2], 0, 0, 23, 18, kButtons, 23, 18);
    EXPECT_TRUE(play.images[1].empty()) << "skins have no hot pictures";
    const ControlSlot& shuffle = model_.control(kShuffle);
    expectBlock(shuffle.images[0], 46, 0, 46, 15, kShufRep, 28, 30);  // on, right half
    expectBlock(shuffle.images[2], 0, 0, 46, 15, kShufRep, 28, 15);   // off, pressed
    const ControlSlot& help = model_.control(kHelp);
    EXPECT_EQ(help.left, 249);
    EXPECT_TRUE(help.images[0].empty());
    EXPECT_EQ(model_.songName.right, 262);
    EXPECT_EQ(model_.time.cellWidth, 9);
    EXPECT_FALSE(model_.time.hasMinus());
}

TEST_F(SkinLoaderTest, EveryPictureIsRequired) {
    std::filesystem::remove(folder_.path("ShufRep.bmp"));
    EXPECT_FALSE(skinLoad(folder_.path(), model_));
    EXPECT_FALSE(skinLoad(folder_.path("nothing here"), model_));
    folder_.write("ShufRep.bmp", std::string("BM not a picture"));
    EXPECT_FALSE(skinLoad(folder_.path(), model_));
}

bool sameSurface(const Surface& a, const Surface& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           (a.empty() || std::memcmp(a.bits(), b.bits(), static_cast<size_t>(a.stride()) * a.height()) == 0);
}

// Everything a skin load puts into the model, compared field by field.
void expectSameSkin(const WindowModel& a, const WindowModel& b) {
    EXPECT_EQ(a.kind, b.kind);
    EXPECT_TRUE(sameSurface(a.backBuffer, b.backBuffer)) << "back buffer";
    EXPECT_TRUE(sameSurface(a.skinFont, b.skinFont)) << "skin font";
    EXPECT_TRUE(sameSurface(a.time.strip, b.time.strip)) << "digits";
    for (int n = 1; n <= kControlCount; ++n) {
        const ControlSlot &x = a.control(n), &y = b.control(n);
        EXPECT_EQ(std::make_tuple(x.left, x.top, x.width, x.height),
                  std::make_tuple(y.left, y.top, y.width, y.height))
            << "control " << n;
        for (int image = 0; image < 3; ++image)
            EXPECT_TRUE(sameSurface(x.images[image], y.images[image]))
                << "control " << n << " image " << image;
    }
}

TEST_F(SkinLoaderTest, AnArchiveLoadsExactlyLikeTheFolder) {
    const std::string archive = folder_.path("Test Skin.wsz");
    ASSERT_TRUE(tools::writeTestSkinArchive(archive));
    WindowModel fromArchive;
    ASSERT_TRUE(skinLoad(folder_.path(), model_));
    ASSERT_TRUE(skinLoad(archive, fromArchive));
    expectSameSkin(model_, fromArchive);
    expectBlock(fromArchive.backBuffer, 16, 88, 23, 18, kButtons, 0, 0);

    // Drawn as the window draws them, they still agree.
    testing::RecordingTextPainter painter;
    testing::FakePlayer player;
    WindowView folderView(model_, painter, player), archiveView(fromArchive, painter, player);
    folderView.startLook();
    archiveView.startLook();
    EXPECT_TRUE(sameSurface(model_.backBuffer, fromArchive.backBuffer));
}

TEST_F(SkinLoaderTest, ADamagedOrIncompleteArchiveFailsTheLoad) {
    std::vector<tools::ArchiveMember> members = tools::testSkinArchiveMembers();
    members.erase(members.begin() + 8);  // no Numbers.bmp
    ASSERT_TRUE(tools::writeZipArchive(folder_.path("incomplete.wsz"), members));
    EXPECT_FALSE(skinLoad(folder_.path("incomplete.wsz"), model_));

    members = tools::testSkinArchiveMembers();
    members[3].bytes.resize(members[3].bytes.size() / 2);  // a short Posbar.bmp
    ASSERT_TRUE(tools::writeZipArchive(folder_.path("shortpicture.wsz"), members));
    EXPECT_FALSE(skinLoad(folder_.path("shortpicture.wsz"), model_));

    ASSERT_TRUE(tools::writeTestSkinArchive(folder_.path("whole.wsz")));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readWholeFile(folder_.path("whole.wsz"), kMaxSkinArchiveBytes, bytes));
    bytes.resize(bytes.size() - 40);
    folder_.write("truncated.wsz", bytes);
    EXPECT_FALSE(skinLoad(folder_.path("truncated.wsz"), model_));
    folder_.write("empty.wsz", std::string());
    EXPECT_FALSE(skinLoad(folder_.path("empty.wsz"), model_));
}

TEST_F(SkinLoaderTest, SkinTextCutsPadsAndMapsCharacters) {
    ASSERT_TRUE(skinLoad(folder_.path(), model_));
    Surface target(40, 6);
    // (right - x + 1) / 5 = 3 cells: "a" "?" and one blank.
    drawSkinText(target, model_.skinFont, 0, 0, 14, "a?");
    expectBlock(target, 0, 0, 5, 6, kText, 0, 0);
    expectBlock(target, 5, 0, 5, 6, kText, 15, 12);
    expectBlock(target, 10, 0, 5, 6, kText, 145, 0);
    EXPECT_EQ(target.pixel(15, 0), 0u) << "nothing beyond the cells";
    drawSkinText(target, model_.skinFont, 0, 0, 9, "XYZ");  // cut to two cells
    expectBlock(target, 5, 0, 5, 6, kText, 120, 0);
    expectBlock(target, 10, 0, 5, 6, kText, 145, 0);

    drawSkinText(target, model_.skinFont, 0, 0, 14, "\xC3\xA9\xE9\x9B\xA8");  // "é雨": one cell each
    expectBlock(target, 0, 0, 5, 6, kText, 20, 0);
    expectBlock(target, 5, 0, 5, 6, kText, 15, 12);
    expectBlock(target, 10, 0, 5, 6, kText, 145, 0);

    struct Case {
        char32_t c;
        int column, row;
    };
    for (Case k :
         {Case{'Z', 25, 0}, Case{'"', 26, 0}, Case{'7', 7, 1}, Case{':', 12, 1}, Case{'/', 21, 1},
          Case{'{', 22, 1}, Case{'}', 23, 1}, Case{'$', 29, 1}, Case{'.', 27, 1}, Case{'@', 29, 0},
          Case{U'\u00E9', 4, 0}, Case{U'\u0414', 3, 2}, Case{' ', 29, 0}, Case{U'\u00C5', 0, 2},
          Case{U'\u00F6', 1, 2}, Case{U'\u00E4', 2, 2}, Case{U'\u0141', 11, 0}, Case{U'\u2013', 15, 1}}) {
        SkinCell cell = skinCellOf(k.c);
        EXPECT_EQ(cell.column, k.column) << static_cast<uint32_t>(k.c);
        EXPECT_EQ(cell.row, k.row) << static_cast<uint32_t>(k.c);
    }
}

}  // namespace
}  // namespace tumbor::window
