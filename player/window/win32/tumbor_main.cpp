// Tumbor.exe: the player program. It reads the settings, builds the stream
// module registry and the engine, shows the main window in the look the
// settings name, and plays the file given on its command line.
#include <windows.h>

#include <commctrl.h>

#include <climits>
#include <string>

#include "platform/dialogs.h"
#include "platform/dynamic_library.h"
#include "platform/wave_device.h"
#include "player/engine/module_registry.h"
#include "player/engine/playback_engine.h"
#include "player/engine/settings.h"
#include "player/window/engine_player_link.h"
#include "player/window/file_names.h"
#include "player/window/win32/main_window.h"

namespace {

using tumbor::window::WindowAction;

// The command line after the program name, taken whole as one path.
std::string commandLinePath(const char* tail) {
    std::string path = tail ? tail : "";
    while (!path.empty() && path.back() == ' ') path.pop_back();
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
    return path;
}

// Loads and plays the file; the engine's message is shown when it cannot.
void playFile(tumbor::PlaybackEngine& engine, tumbor::window::win32::MainWindow& window,
              const std::string& file) {
    if (file.empty()) return;
    if (engine.load(file)) {
        engine.play();
    } else {
        platform::MessageBoxRequest box;
        box.owner = window.handle();
        box.text = engine.message();
        box.caption = "Tumbor";
        box.icon = platform::MessageIcon::error;
        platform::showMessageBox(box);
    }
    window.drawTitle();
}

// The window's actions that play, stop and seek; the playlist and the menus come later.
void performAction(tumbor::PlaybackEngine& engine, tumbor::window::win32::MainWindow& window,
                   const std::string& file, const WindowAction& action) {
    if (action.kind == WindowAction::seek) {
        engine.requestSeek(action.x, action.range);
    } else if (action.kind == WindowAction::skip) {
        engine.requestSkip(action.x == 2);
    } else if (action.kind == WindowAction::cancelSkip) {
        engine.clearSkip();
    } else if (action.kind == WindowAction::activate) {
        switch (action.control) {
            case tumbor::window::kPlay:
                playFile(engine, window, file);
                break;
            case tumbor::window::kStop:
                engine.stop(1);
                engine.closeDevice();
                window.drawTitle();
                break;
            case tumbor::window::kPause:
                if (engine.getState() == tumbor::PlaybackEngine::kPlaying)
                    engine.pause();
                else
                    engine.play();
                window.drawTitle();
                break;
            default:
                break;
        }
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    InitCommonControls();
    const std::string folder = platform::programFolder();
    const std::string iniPath = folder + "Tumbor.ini";
    tumbor::Settings settings =
        tumbor::readSettings(iniPath, tumbor::Settings::defaults(folder, INT_MIN, INT_MIN));

    tumbor::ModuleRegistry registry;
    tumbor::PlaybackEngine engine(registry, platform::createSystemWaveDevice());
    tumbor::window::EnginePlayerLink player(engine);
    tumbor::window::win32::MainWindow window(instance, player);
    if (!window.create()) return 1;
    registry.build(folder, window.handle(), iniPath);
    engine.setDevice(settings.device);
    engine.setBufferLength(static_cast<uint32_t>(settings.buffer) * 100);

    window.snap = settings.snap != 0;
    window.view().setVolume(settings.volume);
    window.view().setRemainingMode(settings.timemode == 1);
    window.loader().designFolder = settings.designPath;
    window.loader().currentDesign = settings.designCurrent;
    if (settings.gui == 1)
        window.loadLook(tumbor::window::LookRequest::skin,
                        tumbor::window::joinPath(settings.skinPath, settings.skinCurrent));
    else
        window.loadLook(tumbor::window::LookRequest::design, settings.designCurrent);

    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const auto& model = window.model();
    const int x = settings.x != INT_MIN ? settings.x : (work.right - work.left - model.windowWidth) / 2;
    const int y = settings.y != INT_MIN ? settings.y : (work.bottom - work.top - model.windowHeight) / 2;
    window.showAt(x, y);

    const std::string file = commandLinePath(commandLine);
    window.onAction = [&](const WindowAction& action) { performAction(engine, window, file, action); };
    playFile(engine, window, file);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    engine.stop(1);
    engine.closeDevice();
    engine.unload();
    return 0;
}
