// What the options sheet's six pages show and change, apart from their
// windows: each page reads the settings into plain fields and lists, and its
// apply writes them back and tells the engine or the main window. The Win32
// pages only copy these fields to and from their controls.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "player/engine/module_registry.h"
#include "player/engine/playback_engine.h"
#include "player/engine/settings.h"
#include "player/window/vis_plugin_library.h"

namespace tumbor::window {

// The pages in the order they are added to the sheet; the numbers are those
// of the setting PageOptions and of the keys that open the sheet on a page.
enum OptionsPage { kOutputPage = 0, kBufferingPage, kPluginsPage, kDesignPage, kSkinsPage, kGeneralPage };
constexpr int kOptionsPageCount = 6;

// Where the sheet opens and the look it starts with (0 design, 1 skin): the
// page asked for, or the one shown last when it is negative; the Design and
// Skins pages asked for by their keys ask for their own look.
struct OptionsOpening {
    int page = 0;
    int requestedLook = 0;
};
OptionsOpening openingFor(int page, const Settings& settings);

// What the pages ask of the player around them.
class OptionsShell {
public:
    virtual ~OptionsShell() = default;
    // "ChangeGUI" to the main window: the design (look 0) or skin folder or
    // archive (look 1) at path has been loaded when it returns.
    virtual void changeLook(const std::string& path, int look) = 0;
    // "Toggleplugin" to the main window.
    virtual void togglePlugin() = 0;
    virtual bool pluginRunning() const = 0;
    virtual void setTopmost(bool topmost) = 0;
    // The main window snaps to the work area from now on (and at once) or not.
    virtual void setSnap(bool snap) = 0;
};

// The visualization plug-ins the Plugins page lists and configures: the
// libraries of the folder by default.
struct VisPluginCatalog {
    std::function<std::vector<VisPluginLibraryEntry>(const std::string& folder)> libraries =
        listVisPluginLibraries;
    std::function<std::vector<std::string>(const std::string& folder, const std::string& file)> modules =
        listVisPluginModules;
    // Loads the library, fetches the module and calls its configuration with parent as its window.
    std::function<void(const std::string& folder, const std::string& file, int module, void* parent)>
        configure = configureVisPlugin;

    // The library's module configured as the Plugins page's "&Configure" does.
    static void configureVisPlugin(const std::string& folder, const std::string& file, int module,
                                   void* parent);
};

// What every page works on while the sheet is open.
struct OptionsContext {
    OptionsContext(Settings& settings, PlaybackEngine& engine, const ModuleRegistry& registry,
                   OptionsShell& shell)
        : settings(settings), engine(engine), registry(registry), shell(shell) {}

    Settings& settings;
    PlaybackEngine& engine;
    const ModuleRegistry& registry;
    OptionsShell& shell;
    void* window = nullptr;   // the sheet's window, owner of the pages' boxes
    int requestedLook = 0;    // the sheet's one value of its own: 0 design, 1 skin
    std::string designInUse;  // full path of the design file loaded
    std::string skinInUse;    // full path of the skin folder or archive loaded
};

// A design file or skin folder name as a full path: name itself when it is
// absolute, else inside folder (with one separator between them).
std::string pathInFolder(const std::string& folder, const std::string& name);
// A folder typed or chosen: made the current folder and read back as a full
// path; as typed when it cannot be made current.
std::string takeFolder(const std::string& text);
// The designer named in a design file, "" when it cannot be read.
std::string designerOf(const std::string& designPath);

class OutputPage {
public:
    explicit OutputPage(OptionsContext& context) : context_(context) {}
    // Both lists are filled anew on every activation.
    void activate(const std::vector<std::string>& deviceNames);
    // The selected module's configure or about, or the box saying it has none.
    void configureModule() const;
    void aboutModule() const;
    // Another device selected: the engine changes to it, or the selection
    // returns and the engine's message is shown under "Changing sound device".
    void apply();

    std::vector<std::string> deviceLines;  // "<Default windows driver>", then each device
    int deviceSelection = -1;
    std::vector<std::string> moduleLines;  // "description (library file)"
    int moduleSelection = -1;

private:
    const ModuleEntry* selectedModule() const;
    OptionsContext& context_;
};

class BufferingPage {
public:
    static constexpr int kMaximum = 108, kTickEvery = 10;
    explicit BufferingPage(OptionsContext& context) : context_(context) {}
    void load();
    void activate() { context_.settings.pageOptions = kBufferingPage; }
    void apply();

    int position = 0;  // tenths of a second
    // The sound settings beside the buffer: gapless playback and ReplayGain.
    bool gapless = true;
    int replayGainMode = 0;  // 0 off, 1 track, 2 album
    std::string preampText;  // dB, as typed ("-3.5")
    bool noClip = true;
    std::string defaultGainText;  // dB for files without gain values

private:
    OptionsContext& context_;
    int shown_ = 0;  // the position the page showed first
};

// Tenths of a dB as the page shows them ("-3.5"), and back from what was typed
// (fallback when it is no number; limited to +-60 dB).
std::string decibelText(int tenths);
int tenthsFromDecibelText(const std::string& text, int fallback);

class PluginsPage {
public:
    static constexpr int kLowestPriority = -15, kHighestPriority = 15;
    PluginsPage(OptionsContext& context, VisPluginCatalog catalog = VisPluginCatalog())
        : context_(context), catalog_(std::move(catalog)) {}
    void load();
    // The library list is filled when it is empty.
    void activate();
    // "C&hoose" or "&Reload": the folder taken, both lists filled anew.
    void changeFolder(const std::string& text);
    // Another library chosen: its modules are listed.
    void selectLibrary(int index);
    void configure(void* pageWindow) const;
    // Applies the page and restarts the plug-in with the new choice.
    void test();
    void apply();

    std::string folder;
    std::vector<std::string> libraryLines;  // "description (file)"
    int librarySelection = -1;
    std::vector<std::string> moduleLines;
    int moduleSelection = -1;
    bool autoExecute = false;
    int priority = 0;

private:
    void fillLibraries();
    void fillModules();
    std::string selectedFile() const;

    OptionsContext& context_;
    VisPluginCatalog catalog_;
};

// The Design and the Skins page: a folder, the designs or skins in it, and
// the box that asks for this kind of look.
class LookPage {
public:
    LookPage(OptionsContext& context, int look) : context_(context), look_(look) {}
    void load();
    // The box follows the requested look; the list is filled when it is empty.
    void activate();
    void changeFolder(const std::string& text);
    // Checking the box asks for this page's look, clearing it for the other.
    void setUseThisLook(bool use);
    // With this look requested, a design or skin other than the one in use
    // (or any, while the other kind is in use) is loaded through "ChangeGUI".
    void apply();

    std::string folder;
    std::vector<std::string> names;  // design files, or skin folders and ".wsz" skin archives
    int selection = -1;
    std::string current;
    std::string author;  // design page only
    bool useThisLook = false;

private:
    void fillNames();
    std::string& settingPath() const;
    std::string& settingCurrent() const;

    OptionsContext& context_;
    int look_;  // 0 design page, 1 skins page
};

class GeneralPage {
public:
    explicit GeneralPage(OptionsContext& context) : context_(context) {}
    void load();
    void activate() { context_.settings.pageOptions = kGeneralPage; }
    void apply();

    bool clearOnDrop = false, clearOnOpen = false;
    int repeat = 1;  // 0 when more than one file, 1 always
    bool topmost = false, snap = false;
    int minimizeState = 1;  // 0 taskbar, 1 tray, 2 both
    int systray = 0;        // 1 Next song, 2 Pause, 4 Play, 8 Previous song, 16 Stop

private:
    OptionsContext& context_;
};

}  // namespace tumbor::window
