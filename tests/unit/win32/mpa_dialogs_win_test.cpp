// The MPEG library's two Windows dialogs, shown for real (under Xvfb in the
// tests) and operated through their controls by a helper thread, as a user
// would: what they show, and what OK, Save and Cancel hand back.
#include "libs/mpa/mpa_control_ids.h"
#include "libs/mpa/mpa_dialogs.h"
#include "tests/unit/win32/dialog_operator.h"

namespace tumbor {
namespace {

using testing::controlText;
using testing::isChecked;
using testing::operate;
using testing::press;

TEST(MpaDialogsWinTest, ConfigDialogShowsAndReturnsTheSettings) {
    MpaSettings settings{1, 0};
    bool ok = false;
    operate(
        "MPG config",
        [](HWND dialog) {
            EXPECT_EQ(controlText(dialog, IDC_QUALITY_BEST), "&Best (1:1)");
            EXPECT_EQ(controlText(dialog, IDC_QUALITY_MEDIUM), "&Medium (1:2)");
            EXPECT_EQ(controlText(dialog, IDC_QUALITY_WORST), "&Worst (1:4)");
            EXPECT_EQ(controlText(dialog, IDC_CHANNELS_MONO_MIX), "M&ono (both channels)");
            EXPECT_EQ(controlText(dialog, IDC_CHANNELS_LEFT), "Mono (&left channel)");
            EXPECT_EQ(controlText(dialog, IDC_CHANNELS_RIGHT), "Mono (&right channel)");
            EXPECT_EQ(controlText(dialog, IDC_CHANNELS_STEREO), "&Stereo");
            EXPECT_EQ(controlText(dialog, IDOK), "OK");
            EXPECT_EQ(controlText(dialog, IDCANCEL), "Cancel");
            EXPECT_TRUE(isChecked(dialog, IDC_QUALITY_MEDIUM));
            EXPECT_TRUE(isChecked(dialog, IDC_CHANNELS_LEFT));
            EXPECT_EQ(GetParent(dialog), nullptr);
            press(dialog, IDC_QUALITY_WORST);
            press(dialog, IDC_CHANNELS_MONO_MIX);
            press(dialog, IDOK);
        },
        [&] { ok = showConfigDialog(nullptr, settings); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(settings.quality, 2);
    EXPECT_EQ(settings.stereo, 3);

    // Stereo 2 leaves the channels unchecked, and OK keeps it.
    settings = MpaSettings{0, 2};
    operate(
        "MPG config",
        [](HWND dialog) {
            for (int control :
                 {IDC_CHANNELS_MONO_MIX, IDC_CHANNELS_LEFT, IDC_CHANNELS_RIGHT, IDC_CHANNELS_STEREO})
                EXPECT_FALSE(isChecked(dialog, control));
            press(dialog, IDC_QUALITY_WORST);
            press(dialog, IDOK);
        },
        [&] { ok = showConfigDialog(nullptr, settings); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(settings.quality, 2);
    EXPECT_EQ(settings.stereo, 2);
}

TEST(MpaDialogsWinTest, TagEditorShowsTheFieldsAndSavesTheEdits) {
    TagFields fields;
    fields.title = std::string(30, 'T');
    fields.artist = "Artist";
    fields.year = "1999";
    fields.genre = 17;
    bool saved = false;
    operate(
        "ID3 TAG Editor",
        [](HWND dialog) {
            EXPECT_EQ(controlText(dialog, IDC_TAG_TITLE), std::string(30, 'T'));
            EXPECT_EQ(controlText(dialog, IDC_TAG_ARTIST), "Artist");
            EXPECT_EQ(controlText(dialog, IDC_TAG_ALBUM), "");
            EXPECT_EQ(controlText(dialog, IDC_TAG_YEAR), "1999");
            EXPECT_EQ(controlText(dialog, IDOK), "&Save");
            EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_TAG_GENRE, CB_GETCOUNT, 0, 0), 126);
            EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_TAG_GENRE, CB_GETCURSEL, 0, 0), 17);
            char name[64] = {};
            SendDlgItemMessageA(dialog, IDC_TAG_GENRE, CB_GETLBTEXT, 125, reinterpret_cast<LPARAM>(name));
            EXPECT_STREQ(name, "Dance Hall");
            // The edits hold no more than the tag's fields.
            SetDlgItemTextA(dialog, IDC_TAG_ALBUM, "Album");
            SendDlgItemMessageA(dialog, IDC_TAG_YEAR, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
            SendDlgItemMessageA(dialog, IDC_TAG_YEAR, EM_REPLACESEL, FALSE,
                                reinterpret_cast<LPARAM>("200199"));
            SendDlgItemMessageA(dialog, IDC_TAG_GENRE, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
            press(dialog, IDOK);
        },
        [&] { saved = showTagEditor(nullptr, nullptr, fields); });
    EXPECT_TRUE(saved);
    EXPECT_EQ(fields.title, std::string(30, 'T'));
    EXPECT_EQ(fields.album, "Album");
    EXPECT_EQ(fields.year, "2001");
    EXPECT_EQ(fields.genre, -1);

    // Cancel (shared by both dialogs) hands nothing back.
    operate(
        "ID3 TAG Editor",
        [](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_TAG_TITLE, "Lost");
            press(dialog, IDCANCEL);
        },
        [&] { saved = showTagEditor(nullptr, nullptr, fields); });
    EXPECT_FALSE(saved);
    EXPECT_EQ(fields.title, std::string(30, 'T'));
}

}  // namespace
}  // namespace tumbor
