// look_probe: shows the main window with a design or a skin at a fixed place
// on the screen, then writes what the window should show: the back buffer, a
// mask of the window's outline and the rectangles where the system draws text.
// With --equalizer the equalizer window (a few levels set, switched on) shows
// docked under it; its back buffer is written too and "EQUALIZER x y width
// height" printed before READY.
//   look_probe.exe [--design FILE] [--skin FOLDER|ARCHIVE] [--equalizer] --at X Y --dump FOLDER --seconds S
// With both, the design loads first and the skin after it, so a skin that
// fails falls back to the design. It prints "LOOK design|skin", then
// "READY x y width height" (client origin on the screen and size) once the
// window is painted, and closes itself after S seconds.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "player/window/bmp_writer.h"
#include "player/window/file_names.h"
#include "player/window/win32/equalizer_window.h"
#include "player/window/win32/main_window.h"

namespace {

using namespace tumbor::window;

class IdlePlayer : public PlayerLink {
public:
    bool moduleLoaded() const override { return false; }
    int heardPositionTenths() const override { return 0; }
    bool hasLength() const override { return false; }
    int lengthTenths() const override { return 0; }
    bool canSeek() const override { return false; }
    bool paused() const override { return false; }
    int gaugePosition(int) override { return 0; }
    std::string title() const override { return std::string(); }
    int sampleRate() const override { return 44100; }
    int bitrate() const override { return 0; }
    int playlistIndex() const override { return 0; }
    int playlistCount() const override { return 0; }
    void setVolume(uint32_t) override {}
};

class NoEqualizerEvents : public win32::EqualizerWindowEvents {
public:
    void equalizerChanged(const tumbor::EqualizerSettings&) override {}
    void equalizerPresetsMenu(POINT) override {}
    void equalizerCloseRequested() override {}
};

// The levels shown: a smile with the pre-amp a little down.
tumbor::EqualizerSettings shownLevels() {
    tumbor::EqualizerSettings settings;
    settings.enabled = true;
    settings.preampTenths = -30;
    settings.bandTenths = {90, 60, 20, -20, -50, -40, 0, 40, 80, 110};
    return settings;
}

std::string programFolder() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return folderOf(path);
}

// White inside the window's region, black outside.
Surface regionMask(HWND window, int width, int height) {
    Surface mask(width, height);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    const bool shaped = GetWindowRgn(window, region) != ERROR;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (!shaped || PtInRegion(region, x, y)) mask.setPixel(x, y, 0xFFFFFF);
    DeleteObject(region);
    return mask;
}

// Rectangles (left top right bottom) holding text drawn by the system's fonts.
void writeTextAreas(const WindowModel& model, const std::string& path) {
    std::ofstream out(path);
    for (int n = 1; n <= kControlCount; ++n) {
        const ControlSlot& slot = model.control(n);
        const bool captioned = !slot.caption.empty() && slot.bitmaps[0].empty() && slot.bitmaps[1].empty() &&
                               slot.bitmaps[2].empty();
        if (captioned)
            out << slot.left << ' ' << slot.top << ' ' << slot.left + slot.width + 1 << ' '
                << slot.top + slot.height + 1 << '\n';
    }
    if (model.kind == LookKind::design) {
        for (const LabelStyle* label : {&model.logo, &model.songName})
            if (label->used() && !label->useLeds)
                out << label->left << ' ' << label->top << ' ' << label->right + 1 << ' ' << label->bottom + 1
                    << '\n';
    }
}

void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string design, skin, dump;
    int x = 40, y = 40, seconds = 5;
    bool equalizer = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--equalizer")
            equalizer = true;
        else if (i + 1 >= argc)
            break;
        else if (arg == "--design")
            design = argv[++i];
        else if (arg == "--skin")
            skin = argv[++i];
        else if (arg == "--dump")
            dump = argv[++i];
        else if (arg == "--seconds")
            seconds = std::atoi(argv[++i]);
        else if (arg == "--at" && i + 2 < argc) {
            x = std::atoi(argv[++i]);
            y = std::atoi(argv[++i]);
        }
    }
    InitCommonControls();
    IdlePlayer player;
    win32::MainWindow window(GetModuleHandleA(nullptr), player);
    if (!window.create()) return 1;
    if (!design.empty()) window.loadLook(LookRequest::design, design);
    if (!skin.empty()) window.loadLook(LookRequest::skin, skin);
    window.showAt(x, y);
    NoEqualizerEvents noEvents;
    win32::EqualizerWindow equalizerWindow(noEvents);
    if (equalizer) {
        equalizerWindow.create(window.handle());
        const bool skinShown = window.model().kind == LookKind::skin;
        equalizerWindow.loadLook(skinShown ? skin : std::string(),
                                 joinPath(programFolder(), kDesignEqualizerPicture));
        equalizerWindow.setSettings(shownLevels());
        RECT main;
        GetWindowRect(window.handle(), &main);
        equalizerWindow.dockUnder(main);
        equalizerWindow.show(true);
    }
    pumpMessages();
    Sleep(200);
    pumpMessages();

    const WindowModel& model = window.model();
    bmpSave(joinPath(dump, "backbuffer.bmp"), model.backBuffer);
    bmpSave(joinPath(dump, "region.bmp"), regionMask(window.handle(), model.windowWidth, model.windowHeight));
    writeTextAreas(model, joinPath(dump, "text_areas.txt"));
    POINT origin{0, 0};
    ClientToScreen(window.handle(), &origin);
    RECT client;
    GetClientRect(window.handle(), &client);
    std::printf("LOOK %s\n", model.kind == LookKind::skin ? "skin" : "design");
    if (equalizer) {
        bmpSave(joinPath(dump, "equalizer.bmp"), equalizerWindow.backBuffer());
        RECT rect;
        GetWindowRect(equalizerWindow.handle(), &rect);
        std::printf("EQUALIZER %ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top);
    }
    std::printf("READY %ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
    std::fflush(stdout);

    SetTimer(window.handle(), 99, static_cast<UINT>(seconds) * 1000, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.wParam == 99)
            PostMessageA(window.handle(), WM_CLOSE, 0, 0);
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
