// Loading a look from files: design files with missing pictures, skins, and
// the fall-back chain with its error box and file dialog.
#include "player/window/look_loader.h"

#include <gtest/gtest.h>

#include "platform/recorded_dialogs.h"
#include "player/window/bmp_writer.h"
#include "tests/unit/window_test_support.h"
#include "tools/design_gen/test_skin.h"

namespace tumbor::window {
namespace {

class LookLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::clearRecordedMessageBoxes();
        platform::setRecordedFileChoices({});
        loader_.designFolder = folder_.path();
        Surface red(4, 4);
        red.fill(rgb(255, 0, 0));
        ASSERT_TRUE(bmpSave(folder_.path("red.bmp"), red));
    }

    testing::TempFolder folder_;
    WindowModel model_;
    testing::RecordingTextPainter painter_;
    LookLoader loader_{model_, painter_};
};

TEST_F(LookLoaderTest, DesignPicturesAreFoundBesideTheDesign) {
    folder_.write("a.design",
                  "[general]\r\nwindowwidth=40\r\nwindowheight=20\r\nhidewindowborder=1\r\n"
                  "bitmap=red.bmp\r\nbackgroundmode=bitmaptile\r\n"
                  "[button play]\r\nleft=0\r\ntop=0\r\nwidth=8\r\nheight=8\r\nbitmap1=missing.bmp\r\n");
    loader_.designLoad(LookRequest::design, "a.design");
    EXPECT_EQ(model_.kind, LookKind::design);
    EXPECT_EQ(model_.backBuffer.pixel(39, 19), rgb(255, 0, 0));
    EXPECT_FALSE(model_.control(kPlay).images[0].empty()) << "built without its picture";
    EXPECT_EQ(loader_.currentDesign, "a.design");
    EXPECT_TRUE(platform::recordedMessageBoxes().empty());
}

TEST_F(LookLoaderTest, FallsBackToTheLookLoadedBefore) {
    ASSERT_TRUE(tools::writeTestSkin(folder_.path()));
    loader_.designLoad(LookRequest::skin, folder_.path());
    ASSERT_EQ(model_.kind, LookKind::skin);
    folder_.write("nosize.design", "[general]\nwindowwidth=40\n");
    loader_.designLoad(LookRequest::design, "nosize.design");
    EXPECT_EQ(model_.kind, LookKind::skin) << "a design without a size is refused";
    loader_.designLoad(LookRequest::skin, folder_.path("missing"));
    EXPECT_EQ(model_.kind, LookKind::skin);
    EXPECT_EQ(loader_.currentSkin, folder_.path());
    EXPECT_TRUE(platform::recordedMessageBoxes().empty());
}

TEST_F(LookLoaderTest, ASkinArchiveLoadsAndADamagedOneFallsBack) {
    ASSERT_TRUE(tools::writeTestSkinArchive(folder_.path("good.wsz")));
    folder_.write("bad.wsz", std::string("PK\x03\x04 and then nothing"));
    folder_.write("plain.design", "[general]\nwindowwidth=10\nwindowheight=10\n");
    loader_.designLoad(LookRequest::design, "plain.design");
    loader_.designLoad(LookRequest::skin, folder_.path("bad.wsz"));
    EXPECT_EQ(model_.kind, LookKind::design) << "back to the design loaded before";
    EXPECT_EQ(model_.windowWidth, 10);
    loader_.designLoad(LookRequest::skin, folder_.path("good.wsz"));
    EXPECT_EQ(model_.kind, LookKind::skin);
    EXPECT_EQ(loader_.currentSkin, folder_.path("good.wsz"));
    loader_.designLoad(LookRequest::skin, folder_.path("bad.wsz"));
    EXPECT_EQ(model_.kind, LookKind::skin) << "back to the archive loaded before";
    EXPECT_EQ(loader_.currentSkin, folder_.path("good.wsz"));
    EXPECT_TRUE(platform::recordedMessageBoxes().empty());
}

TEST_F(LookLoaderTest, AsksForADesignUntilOneLoads) {
    folder_.write("good.design", "[general]\nwindowwidth=10\nwindowheight=10\n");
    loader_.currentDesign = "TumborR.design";
    platform::setRecordedFileChoices({folder_.path("bad.design"), folder_.path("good.design")});
    loader_.designLoad(LookRequest::design, "gone.design");
    EXPECT_EQ(model_.kind, LookKind::design);
    EXPECT_EQ(loader_.currentDesign, folder_.path("good.design"));
    const auto& boxes = platform::recordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "Error loading design");
    EXPECT_EQ(
        boxes[0].text,
        "Design file \"TumborR.design\" has errors or does not exist. Press OK to choose another design.");
    EXPECT_EQ(boxes[0].icon, platform::MessageIcon::error);
    EXPECT_EQ(platform::recordedFileDialogCount(), 2);
}

}  // namespace
}  // namespace tumbor::window
