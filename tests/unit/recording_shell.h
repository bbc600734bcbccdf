// A player shell for the command tests: it queues the playlist messages for
// the test to deliver, answers dialogs from a script and records what the
// commands asked of the windows.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "player/engine/player_shell.h"

namespace tumbor::testing {

class RecordingShell : public PlayerShell {
public:
    void postToPlaylist(PlaylistMessage message) override { posted.push_back(message); }

    bool chooseFilesToOpen(const OpenFilesRequest& request, OpenFilesResult& result) override {
        openRequests.push_back(request);
        if (!filesAnswer) return false;
        result = *filesAnswer;
        return true;
    }
    bool askForLocation(std::string& location) override {
        locationShown = location;
        if (locationAnswer.empty()) return false;
        location = locationAnswer;
        return true;
    }
    bool chooseFolder(std::string& folder) override {
        if (folderAnswer.empty()) return false;
        folder = folderAnswer;
        return true;
    }
    bool chooseFileToSave(const std::string&, std::string& path) override {
        if (saveAnswer.empty()) return false;
        path = saveAnswer;
        return true;
    }
    void showError(const std::string& text) override { errors.push_back(text); }
    void showAbout() override { ++aboutShown; }
    void showHelp() override { ++helpShown; }
    void showOptions(int page) override { optionPages.push_back(page); }

    void playlistChanged() override { ++listRefreshes; }
    void selectionChanged() override {}
    bool playlistWindowVisible() const override { return playlistVisible; }
    void showPlaylistWindow(bool show) override { playlistVisible = show; }
    void activatePlaylistWindow() override {}
    bool equalizerWindowVisible() const override { return equalizerVisible; }
    void showEqualizerWindow(bool show) override { equalizerVisible = show; }

    void titleChanged() override { ++titleRefreshes; }
    void activateMainWindow() override {}
    bool mainWindowMinimised() const override { return minimised; }
    void minimiseMainWindow() override { minimised = true; }
    void setTopmost(bool on) override { topmost = on; }
    void setButtonOn(int control, bool on) override { buttons[control] = on; }
    void setRemainingTime(bool remaining) override { remainingTime = remaining; }
    bool designHasPauseButton() const override { return hasPauseButton; }
    void openMainMenuAtCentre() override { ++mainMenus; }
    void closePlayer() override { ++closeRequests; }

    bool pluginRunning() const override { return pluginOn; }
    void startPlugin() override {
        ++pluginStarts;
        pluginOn = true;
    }
    void togglePlugin() override {
        ++pluginToggles;
        pluginOn = !pluginOn;
    }
    void configurePlugin() override { ++pluginConfigs; }

    // Hands every queued message to the playlist, as the window's queue would.
    void deliver(const std::function<void(PlaylistMessage)>& handle) {
        while (!posted.empty()) {
            PlaylistMessage message = posted.front();
            posted.pop_front();
            handle(message);
        }
    }

    // Dialog answers
    const OpenFilesResult* filesAnswer = nullptr;
    std::string locationAnswer, folderAnswer, saveAnswer;
    // Window state
    bool playlistVisible = false, equalizerVisible = false, minimised = false, hasPauseButton = true, pluginOn = false;
    // Records
    std::deque<PlaylistMessage> posted;
    std::vector<OpenFilesRequest> openRequests;
    std::string locationShown;
    std::vector<std::string> errors;
    std::vector<int> optionPages;
    std::map<int, bool> buttons;
    bool topmost = false, remainingTime = false;
    int aboutShown = 0, helpShown = 0, listRefreshes = 0, titleRefreshes = 0, mainMenus = 0,
        closeRequests = 0, pluginStarts = 0;
    int pluginToggles = 0, pluginConfigs = 0;
};

}  // namespace tumbor::testing
