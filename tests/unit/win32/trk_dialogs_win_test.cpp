// The tracker library's two Windows dialogs, shown for real (under Xvfb in
// the tests) and operated through their controls by a helper thread, as a
// user would: what they show, what OK and Cancel hand back, and closing the
// information viewer from another thread and from inside its own loop.
#include <set>
#include <string>
#include <vector>

#include "libs/trk/trk_control_ids.h"
#include "libs/trk/trk_dialogs.h"
#include "tests/unit/win32/dialog_operator.h"

namespace tumbor::trk {
namespace {

using testing::controlText;
using testing::isChecked;
using testing::operate;
using testing::press;

const char kConfigCaption[] = "Mixing module player";
const char kInfoCaption[] = "Information viewer";
const int kRadios[] = {IDC_TRK_QUALITY_BEST,        IDC_TRK_QUALITY_MEDIUM,     IDC_TRK_QUALITY_WORST,
                       IDC_TRK_CHANNELS_MONO,       IDC_TRK_CHANNELS_STEREO,    IDC_TRK_BITS_16,
                       IDC_TRK_BITS_8,              IDC_TRK_INTERPOLATION_ON,   IDC_TRK_INTERPOLATION_OFF,
                       IDC_TRK_INTERPOLATION_CUBIC, IDC_TRK_INTERPOLATION_SINC, IDC_TRK_RAMPING};

std::set<int> checkedRadios(HWND dialog) {
    std::set<int> checked;
    for (int control : kRadios)
        if (isChecked(dialog, control)) checked.insert(control);
    return checked;
}

BOOL CALLBACK collectText(HWND child, LPARAM found) {
    char text[512] = {};
    GetWindowTextA(child, text, sizeof text);
    reinterpret_cast<std::set<std::string>*>(found)->insert(text);
    return TRUE;
}

// The texts of all controls, those without an identifier of their own (labels, frame, note) included.
std::set<std::string> controlTexts(HWND dialog) {
    std::set<std::string> texts;
    EnumChildWindows(dialog, collectText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

TEST(TrkDialogsWinTest, ConfigDialogShowsTheSettingsAndTakesTheChoice) {
    TrkSettings settings{1, 1, 1, 8, 1, 150};
    bool ok = false;
    operate(
        kConfigCaption,
        [](HWND dialog) {
            EXPECT_EQ(controlText(dialog, IDC_TRK_QUALITY_BEST), "&Best (44kHz)");
            EXPECT_EQ(controlText(dialog, IDC_TRK_QUALITY_MEDIUM), "&Medium (22kHz)");
            EXPECT_EQ(controlText(dialog, IDC_TRK_QUALITY_WORST), "&Worst (11kHz)");
            EXPECT_EQ(controlText(dialog, IDC_TRK_CHANNELS_STEREO), "&Stereo");
            EXPECT_EQ(controlText(dialog, IDC_TRK_CHANNELS_MONO), "M&ono (faster)");
            EXPECT_EQ(controlText(dialog, IDC_TRK_INTERPOLATION_OFF), "O&ff (faster)");
            EXPECT_EQ(controlText(dialog, IDC_TRK_INTERPOLATION_ON), "&Linear");
            EXPECT_EQ(controlText(dialog, IDC_TRK_INTERPOLATION_CUBIC), "C&ubic");
            EXPECT_EQ(controlText(dialog, IDC_TRK_INTERPOLATION_SINC), "Si&nc (best)");
            EXPECT_EQ(controlText(dialog, IDC_TRK_RAMPING), "Volume &ramping (no clicks)");
            EXPECT_EQ(controlText(dialog, IDC_TRK_SEPARATION), "150");
            EXPECT_EQ(controlText(dialog, IDC_TRK_BITS_16), "&16 bits (better quality)");
            EXPECT_EQ(controlText(dialog, IDC_TRK_BITS_8), "8 bits (faster)");
            EXPECT_EQ(controlText(dialog, IDOK), "OK");
            EXPECT_EQ(controlText(dialog, IDCANCEL), "Cancel");
            std::set<std::string> texts = controlTexts(dialog);
            for (const char* label : {"&Decoding quality", "&Channels", "&Interpolation", "&Bits",
                                      "If you experience too much CPU load, try first \"mono\", then \"8 "
                                      "bits\", then turn off the interpolation and then turn down decoding "
                                      "quality"})
                EXPECT_EQ(texts.count(label), 1u) << label;
            EXPECT_EQ(checkedRadios(dialog), (std::set<int>{IDC_TRK_QUALITY_MEDIUM, IDC_TRK_CHANNELS_MONO,
                                                            IDC_TRK_INTERPOLATION_ON, IDC_TRK_BITS_8,
                                                            IDC_TRK_RAMPING}));
            EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);
            RECT want{0, 0, 182, 218}, client{};
            MapDialogRect(dialog, &want);
            GetClientRect(dialog, &client);
            EXPECT_EQ(client.right, want.right);
            EXPECT_EQ(client.bottom, want.bottom);

            // Each group is a group of its own: a click leaves the others alone.
            press(dialog, IDC_TRK_QUALITY_WORST);
            press(dialog, IDC_TRK_CHANNELS_STEREO);
            press(dialog, IDC_TRK_INTERPOLATION_SINC);
            press(dialog, IDC_TRK_BITS_16);
            press(dialog, IDC_TRK_RAMPING);
            EXPECT_EQ(checkedRadios(dialog), (std::set<int>{IDC_TRK_QUALITY_WORST, IDC_TRK_CHANNELS_STEREO,
                                                            IDC_TRK_INTERPOLATION_SINC, IDC_TRK_BITS_16}));
            SetDlgItemTextA(dialog, IDC_TRK_SEPARATION, "180");
            press(dialog, IDOK);
        },
        [&] { ok = showConfigDialog(nullptr, settings); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(settings.quality, 2);
    EXPECT_EQ(settings.stereo, 0);
    EXPECT_EQ(settings.interpolation, 3);
    EXPECT_EQ(settings.bits, 16);
    EXPECT_EQ(settings.ramping, 0);
    EXPECT_EQ(settings.stereoSeparation, 180);
}

TEST(TrkDialogsWinTest, ConfigDialogShowsStrayValuesAsTheFirstButtonAndOkWritesThat) {
    // Interpolation 7 plays linear, yet "off" is the button checked.
    TrkSettings settings{5, 2, 7, 12, 0, 900};
    bool ok = false;
    operate(
        kConfigCaption,
        [](HWND dialog) {
            EXPECT_EQ(checkedRadios(dialog), (std::set<int>{IDC_TRK_QUALITY_BEST, IDC_TRK_CHANNELS_STEREO,
                                                            IDC_TRK_INTERPOLATION_OFF, IDC_TRK_BITS_16}));
            EXPECT_EQ(controlText(dialog, IDC_TRK_SEPARATION), "200");
            press(dialog, IDOK);
        },
        [&] { ok = showConfigDialog(nullptr, settings); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(settings.quality, 0);
    EXPECT_EQ(settings.stereo, 0);
    EXPECT_EQ(settings.interpolation, 0);
    EXPECT_EQ(settings.bits, 16);
    EXPECT_EQ(settings.stereoSeparation, 200);

    settings = TrkSettings{2, 1, 1, 8};
    operate(
        kConfigCaption,
        [](HWND dialog) {
            press(dialog, IDC_TRK_QUALITY_BEST);
            press(dialog, IDCANCEL);
        },
        [&] { ok = showConfigDialog(nullptr, settings); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(settings.quality, 2);
    EXPECT_EQ(settings.bits, 8);
}

std::vector<std::string> listLines(HWND dialog) {
    std::vector<std::string> lines;
    LRESULT count = SendDlgItemMessageA(dialog, IDC_TRK_SONG_MESSAGE, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::string line(SendDlgItemMessageA(dialog, IDC_TRK_SONG_MESSAGE, LB_GETTEXTLEN, i, 0) + 1, '\0');
        SendDlgItemMessageA(dialog, IDC_TRK_SONG_MESSAGE, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&line[0]));
        line.resize(line.size() - 1);
        lines.push_back(line);
    }
    return lines;
}

bool fixedPitch(HWND control) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return !(metrics.tmPitchAndFamily & TMPF_FIXED_PITCH);  // the bit is set for variable pitch
}

// A plain top-level window to own the viewer.
class OwnerWindow {
public:
    OwnerWindow()
        : window_(CreateWindowExA(0, "STATIC", "Owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                  nullptr, nullptr)) {}
    ~OwnerWindow() { DestroyWindow(window_); }
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND get() const { return window_; }

private:
    HWND window_;
};

TEST(TrkDialogsWinTest, InfoViewerShowsCopiesOfTheNameAndTheLines) {
    OwnerWindow owner;
    ASSERT_NE(owner.get(), nullptr);
    SongInfoText info;
    info.name = std::string(150, 'N') + "tail";
    info.lines = {"zz first", "\xFFhidden", std::string(200, 'L'), "aa last"};
    operate(
        kInfoCaption,
        [&](HWND dialog) {
            EXPECT_TRUE(songInfoOpen());
            EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner.get());
            // The window keeps its own copies.
            info = SongInfoText{"gone", {"gone"}};
            EXPECT_EQ(controlText(dialog, IDC_TRK_SONG_NAME), std::string(127, 'N'));
            EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_TRK_SONG_NAME, EM_GETLIMITTEXT, 0, 0), 128);
            EXPECT_EQ(listLines(dialog),
                      (std::vector<std::string>{"zz first", "", std::string(200, 'L'), "aa last"}));
            EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_TRK_SONG_MESSAGE, LB_GETHORIZONTALEXTENT, 0, 0), 2000);
            EXPECT_TRUE(fixedPitch(GetDlgItem(dialog, IDC_TRK_SONG_MESSAGE)));
            EXPECT_EQ(controlText(dialog, IDOK), "&OK");
            press(dialog, IDOK);
        },
        [&] { showSongInfo(owner.get(), nullptr, info); });
    EXPECT_FALSE(songInfoOpen());

    // The close box (Cancel) closes it too.
    operate(
        kInfoCaption, [](HWND dialog) { PostMessageA(dialog, WM_CLOSE, 0, 0); },
        [&] { showSongInfo(owner.get(), nullptr, SongInfoText{}); });
    EXPECT_FALSE(songInfoOpen());
}

TEST(TrkDialogsWinTest, InfoViewerClosesFromAnotherThread) {
    closeSongInfo();  // nothing open: returns at once
    bool openBefore = false;
    bool openAfter = true;
    operate(
        kInfoCaption,
        [&](HWND) {
            openBefore = songInfoOpen();
            closeSongInfo();  // returns once the window has gone
            openAfter = songInfoOpen();
        },
        [] {
            showSongInfo(nullptr, nullptr, SongInfoText{"Song", {"line"}});
        });
    EXPECT_TRUE(openBefore);
    EXPECT_FALSE(openAfter);
    EXPECT_FALSE(songInfoOpen());
}

bool openInTimer = false;
bool closeReturned = false;

void CALLBACK closeFromTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    openInTimer = songInfoOpen();
    // On the window's own thread this must not wait for the window to go.
    closeSongInfo();
    closeReturned = true;
}

TEST(TrkDialogsWinTest, InfoViewerClosesFromInsideItsOwnLoop) {
    ASSERT_NE(SetTimer(nullptr, 0, 100, closeFromTimer), 0u);
    showSongInfo(nullptr, nullptr, SongInfoText{"Song", {}});
    EXPECT_TRUE(openInTimer);
    EXPECT_TRUE(closeReturned);
    EXPECT_FALSE(songInfoOpen());
}

}  // namespace
}  // namespace tumbor::trk
