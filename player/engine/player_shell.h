// What the player's commands ask of the windows around them: dialogs, the
// playlist window, the main window and the messages between them. The Win32
// shell implements it; tests use a recording double.
#pragma once

#include <string>
#include <vector>

#include "player/engine/playlist.h"

namespace tumbor {

// The open-files dialog: where it starts and which filter it shows first.
struct OpenFilesRequest {
    std::string filter;   // "Name|patterns|...||"
    std::string folder;   // starting folder
    int filterIndex = 1;  // 1-based
};

struct OpenFilesResult {
    std::vector<std::string> files;  // full paths, in the order chosen
    int filterIndex = 1;             // the filter shown when the dialog closed
    std::string folder;              // the dialog's final folder
};

// The options sheet's page numbers run from 0 (Output) to 5 (General); this
// one opens it on the page shown last.
constexpr int kLastOptionsPage = -1;

class PlayerShell {
public:
    virtual ~PlayerShell() = default;

    // Messages to the playlist window; they arrive after the current one is handled.
    virtual void postToPlaylist(PlaylistMessage message) = 0;

    // Dialogs. Each answers false when cancelled.
    virtual bool chooseFilesToOpen(const OpenFilesRequest& request, OpenFilesResult& result) = 0;
    virtual bool askForLocation(std::string& location) = 0;
    virtual bool chooseFolder(std::string& folder) = 0;
    // The save dialog starting in folder; path is the file chosen.
    virtual bool chooseFileToSave(const std::string& folder, std::string& path) = 0;
    virtual void showError(const std::string& text) = 0;
    virtual void showAbout() = 0;
    virtual void showHelp() = 0;
    // The options sheet on a page (0 to 5), or on the page shown last (kLastOptionsPage).
    virtual void showOptions(int page) = 0;

    // The playlist window.
    virtual void playlistChanged() = 0;   // the list shows the playlist's entries and selection again
    virtual void selectionChanged() = 0;  // only the selection and caret changed
    virtual bool playlistWindowVisible() const = 0;
    virtual void showPlaylistWindow(bool show) = 0;
    virtual void activatePlaylistWindow() = 0;

    // The equalizer window.
    virtual bool equalizerWindowVisible() const = 0;
    virtual void showEqualizerWindow(bool show) = 0;

    // The main window.
    virtual void titleChanged() = 0;  // redraw the title, caption and window
    virtual void activateMainWindow() = 0;
    virtual bool mainWindowMinimised() const = 0;
    virtual void minimiseMainWindow() = 0;
    virtual void setTopmost(bool topmost) = 0;
    // A two-state button's on-state follows a setting changed by a key or menu.
    virtual void setButtonOn(int control, bool on) = 0;
    virtual void setRemainingTime(bool remaining) = 0;
    virtual bool designHasPauseButton() const = 0;
    virtual void openMainMenuAtCentre() = 0;
    virtual void closePlayer() = 0;  // begins the exit sequence

    // The visualization plug-in.
    virtual bool pluginRunning() const = 0;
    virtual void startPlugin() = 0;
    virtual void togglePlugin() = 0;
    virtual void configurePlugin() = 0;
};

}  // namespace tumbor
