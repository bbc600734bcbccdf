// The player's own dialogs shown for real under Wine and operated by a helper
// thread: the about box, the location dialog, and the check marks of the
// Main menu as the system builds it.
#include "player/engine/menus.h"
#include "player/window/win32/menu_builder.h"
#include "player/window/win32/player_dialogs.h"
#include "tests/unit/win32/dialog_operator.h"

namespace tumbor::window::win32 {
namespace {

using tumbor::testing::controlText;
using tumbor::testing::operate;
using tumbor::testing::press;

constexpr int kLocationText = 1101;  // the location dialog's edit field

TEST(PlayerDialogsWinTest, AboutBoxShowsTheProgramsName) {
    operate(
        "About...",
        [](HWND dialog) {
            EXPECT_NE(FindWindowExA(dialog, nullptr, "Static", "Tumbor version 1.00\n\nMulti module player"),
                      nullptr);
            EXPECT_EQ(controlText(dialog, IDOK), "OK");
            press(dialog, IDOK);
        },
        [] { showAboutBox(nullptr); });
}

TEST(PlayerDialogsWinTest, LocationDialogStartsWithTheLastOne) {
    std::string location = "tone://440";
    bool ok = false;
    operate(
        "Open location",
        [](HWND dialog) {
            EXPECT_EQ(controlText(dialog, kLocationText), "tone://440");
            SetDlgItemTextA(dialog, kLocationText, "tone://1000");
            press(dialog, IDOK);
        },
        [&] { ok = askForLocation(nullptr, location); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(location, "tone://1000");

    // A typed path keeps every character.
    operate(
        "Open location",
        [](HWND dialog) {
            SetDlgItemTextW(dialog, kLocationText, L"C:\\\u041f\u0435\u0441\u043d\u0438\\\u96e8.mp3");
            press(dialog, IDOK);
        },
        [&] { ok = askForLocation(nullptr, location); });
    EXPECT_EQ(location, "C:\\\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD0\xB8\\\xE9\x9B\xA8.mp3");
    location = "tone://1000";

    operate(
        "Open location", [](HWND dialog) { press(dialog, IDCANCEL); },
        [&] { ok = askForLocation(nullptr, location); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(location, "tone://1000");
}

TEST(PlayerDialogsWinTest, MenusCarryTheirCheckMarks) {
    const IsChecked checked = [](MenuCommand command) {
        return command == MenuCommand::repeat || command == MenuCommand::timeElapsed;
    };
    HMENU menu = buildMenu(mainMenu(), checked);
    auto state = [&](MenuCommand command) {
        return GetMenuState(menu, static_cast<UINT>(command), MF_BYCOMMAND);
    };
    EXPECT_TRUE(state(MenuCommand::repeat) & MF_CHECKED);
    EXPECT_TRUE(state(MenuCommand::timeElapsed) & MF_CHECKED);
    EXPECT_FALSE(state(MenuCommand::shuffle) & MF_CHECKED);
    EXPECT_NE(state(MenuCommand::exit), static_cast<UINT>(-1)) << "the last entry is there";
    char text[64] = "";
    GetMenuStringA(menu, static_cast<UINT>(MenuCommand::timeRemaining), text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Time re&maining\tCtrl-R");
    DestroyMenu(menu);
}

}  // namespace
}  // namespace tumbor::window::win32
