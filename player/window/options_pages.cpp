// The options pages' lists, preselections and apply rules.
#include "player/window/options_pages.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/dialogs.h"
#include "platform/dynamic_library.h"
#include "platform/folders.h"
#include "platform/utf8_files.h"
#include "player/window/design_parser.h"

namespace tumbor::window {
namespace {

bool sameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// The folder, a separator unless it ends with one, and the name.
std::string inFolder(const std::string& folder, const std::string& name) {
    if (folder.empty() || isSeparator(folder.back())) return folder + name;
    return folder + platform::pathSeparator() + name;
}

// The last part of a path, whether or not it ends with a separator.
std::string lastPart(std::string path) {
    while (!path.empty() && isSeparator(path.back())) path.pop_back();
    const size_t last = path.find_last_of("\\/");
    return last == std::string::npos ? path : path.substr(last + 1);
}

int indexOf(const std::vector<std::string>& lines, const std::string& wanted) {
    auto found = std::find(lines.begin(), lines.end(), wanted);
    return found == lines.end() ? -1 : static_cast<int>(found - lines.begin());
}

int firstOrNone(const std::vector<std::string>& lines) { return lines.empty() ? -1 : 0; }

// A plug-in library line's file: the text between its last "(" and the ")" after it.
std::string fileOfLine(const std::string& line) {
    const size_t open = line.rfind('(');
    if (open == std::string::npos) return std::string();
    const size_t close = line.find(')', open);
    return line.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
}

void showBox(void* owner, const std::string& text, const std::string& caption, platform::MessageIcon icon) {
    platform::MessageBoxRequest box;
    box.owner = owner;
    box.text = text;
    box.caption = caption;
    box.icon = icon;
    platform::showMessageBox(box);
}

}  // namespace

OptionsOpening openingFor(int page, const Settings& settings) {
    OptionsOpening opening;
    opening.requestedLook = settings.gui == 1 ? 1 : 0;
    if (page < 0 || page >= kOptionsPageCount) {
        const int remembered = settings.pageOptions;
        opening.page = remembered >= 0 && remembered < kOptionsPageCount ? remembered : kOutputPage;
        return opening;
    }
    opening.page = page;
    if (page == kDesignPage) opening.requestedLook = 0;
    if (page == kSkinsPage) opening.requestedLook = 1;
    return opening;
}

std::string pathInFolder(const std::string& folder, const std::string& name) {
    const bool absolute = (!name.empty() && isSeparator(name[0])) || (name.size() >= 2 && name[1] == ':');
    return absolute ? name : inFolder(folder, name);
}

std::string takeFolder(const std::string& text) {
    if (platform::setCurrentFolder(text)) {
        std::string full = platform::currentFolder();
        if (!full.empty()) return full;
    }
    return text;
}

std::string designerOf(const std::string& designPath) {
    std::ifstream in(platform::fileSystemPath(designPath), std::ios::binary);
    if (!in) return std::string();
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    WindowModel model;
    parseDesignText(text, model);
    return model.designer;
}

void VisPluginCatalog::configureVisPlugin(const std::string& folder, const std::string& file, int module,
                                          void* parent) {
    std::unique_ptr<VisPlugin> plugin = VisPlugin::load(folder, file, module, parent);
    if (!plugin) return;
    platform::setCurrentFolder(folder);
    winampVisModule& record = plugin->module();
    if (record.Config) record.Config(&record);
}

// ---- Output ----

void OutputPage::activate(const std::vector<std::string>& deviceNames) {
    context_.settings.pageOptions = kOutputPage;
    deviceLines = {"<Default windows driver>"};
    deviceLines.insert(deviceLines.end(), deviceNames.begin(), deviceNames.end());
    const int line = context_.settings.device + 1;
    deviceSelection = line >= 0 && line < static_cast<int>(deviceLines.size()) ? line : -1;
    moduleLines.clear();
    for (const ModuleEntry& entry : context_.registry.entries())
        moduleLines.push_back(entry.description + " (" + entry.libraryFile + ")");
    moduleSelection = firstOrNone(moduleLines);
}

const ModuleEntry* OutputPage::selectedModule() const {
    const auto& entries = context_.registry.entries();
    if (moduleSelection < 0 || moduleSelection >= static_cast<int>(entries.size())) return nullptr;
    const ModuleEntry& entry = entries[static_cast<size_t>(moduleSelection)];
    return entry.record ? &entry : nullptr;
}

void OutputPage::configureModule() const {
    const ModuleEntry* entry = selectedModule();
    if (!entry) return;
    if (entry->record->configure)
        entry->record->configure();
    else
        showBox(context_.window, "No configuration procedure present for this module", "Tumbor",
                platform::MessageIcon::information);
}

void OutputPage::aboutModule() const {
    const ModuleEntry* entry = selectedModule();
    if (!entry) return;
    if (entry->record->about)
        entry->record->about();
    else
        showBox(context_.window, "No about procedure present for this module", "Tumbor",
                platform::MessageIcon::information);
}

void OutputPage::apply() {
    Settings& settings = context_.settings;
    if (deviceSelection < 0 || deviceSelection - 1 == settings.device) return;
    if (context_.engine.setDevice(deviceSelection - 1)) {
        settings.device = deviceSelection - 1;
        return;
    }
    // Only a refused change shows the engine's message: an older one is not this change's.
    deviceSelection = settings.device + 1;
    const std::string message = context_.engine.message();
    if (!message.empty())
        showBox(context_.window, message, "Changing sound device", platform::MessageIcon::error);
}

// ---- Buffering ----

std::string decibelText(int tenths) {
    std::string text = tenths < 0 ? "-" : "";
    int magnitude = tenths < 0 ? -tenths : tenths;
    text += std::to_string(magnitude / 10);
    if (magnitude % 10) text += "." + std::to_string(magnitude % 10);
    return text;
}

int tenthsFromDecibelText(const std::string& text, int fallback) {
    constexpr int kLimit = 600;
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str()) return fallback;
    return std::clamp(static_cast<int>(std::lround(value * 10)), -kLimit, kLimit);
}

void BufferingPage::load() {
    const Settings& settings = context_.settings;
    position = std::clamp(settings.buffer, 0, kMaximum);
    shown_ = position;
    gapless = settings.gapless != 0;
    replayGainMode = std::clamp(settings.replayGain, 0, 2);
    preampText = decibelText(settings.replayGainPreamp);
    noClip = settings.replayGainNoClip != 0;
    defaultGainText = decibelText(settings.replayGainDefault);
}

void BufferingPage::apply() {
    Settings& settings = context_.settings;
    settings.gapless = gapless ? 1 : 0;
    settings.replayGain = std::clamp(replayGainMode, 0, 2);
    settings.replayGainPreamp = tenthsFromDecibelText(preampText, settings.replayGainPreamp);
    settings.replayGainNoClip = noClip ? 1 : 0;
    settings.replayGainDefault = tenthsFromDecibelText(defaultGainText, settings.replayGainDefault);
    context_.engine.setGapless(gapless);
    context_.engine.setReplayGain(replayGainSettingsOf(settings));
    if (position == shown_) return;
    context_.engine.setBufferLength(static_cast<uint32_t>(position) * 100);
    settings.buffer = position;
    shown_ = position;
}

// ---- Plugins ----

void PluginsPage::load() {
    const Settings& settings = context_.settings;
    folder = settings.pluginPath;
    autoExecute = settings.autoExecute != 0;
    priority = std::clamp(settings.pluginPriority, kLowestPriority, kHighestPriority);
}

void PluginsPage::activate() {
    context_.settings.pageOptions = kPluginsPage;
    if (libraryLines.empty()) fillLibraries();
}

void PluginsPage::changeFolder(const std::string& text) {
    folder = takeFolder(text);
    libraryLines.clear();
    fillLibraries();
}

void PluginsPage::fillLibraries() {
    platform::setCurrentFolder(folder);
    libraryLines.clear();
    for (const VisPluginLibraryEntry& entry : catalog_.libraries(folder))
        libraryLines.push_back(entry.description + " (" + entry.fileName + ")");
    librarySelection = firstOrNone(libraryLines);
    const std::string& remembered = context_.settings.pluginLibrary;
    if (libraryLines.size() > 1 && !remembered.empty()) {
        for (size_t i = 0; i < libraryLines.size(); ++i) {
            if (fileOfLine(libraryLines[i]) != remembered) continue;
            librarySelection = static_cast<int>(i);
            break;
        }
    }
    fillModules();
}

void PluginsPage::selectLibrary(int index) {
    librarySelection = index >= 0 && index < static_cast<int>(libraryLines.size()) ? index : -1;
    fillModules();
}

void PluginsPage::fillModules() {
    moduleLines.clear();
    moduleSelection = -1;
    const std::string file = selectedFile();
    if (file.empty()) return;
    moduleLines = catalog_.modules(folder, file);
    const Settings& settings = context_.settings;
    const bool remembered = file == settings.pluginLibrary && settings.pluginModule >= 0 &&
                            settings.pluginModule < static_cast<int>(moduleLines.size());
    moduleSelection = remembered ? settings.pluginModule : firstOrNone(moduleLines);
}

std::string PluginsPage::selectedFile() const {
    if (librarySelection < 0 || librarySelection >= static_cast<int>(libraryLines.size()))
        return std::string();
    return fileOfLine(libraryLines[static_cast<size_t>(librarySelection)]);
}

void PluginsPage::configure(void* pageWindow) const {
    const std::string file = selectedFile();
    if (file.empty() || moduleSelection < 0) return;
    catalog_.configure(folder, file, moduleSelection, pageWindow);
}

void PluginsPage::test() {
    apply();
    OptionsShell& shell = context_.shell;
    if (shell.pluginRunning()) shell.togglePlugin();
    shell.togglePlugin();
}

void PluginsPage::apply() {
    Settings& settings = context_.settings;
    settings.pluginPath = folder;
    if (libraryLines.empty()) return;
    settings.pluginLibrary = selectedFile();
    settings.pluginModule = moduleSelection >= 0 ? moduleSelection : 0;
    settings.autoExecute = autoExecute ? 1 : 0;
    settings.pluginPriority = priority;
}

// ---- Design and Skins ----

std::string& LookPage::settingPath() const {
    return look_ == 0 ? context_.settings.designPath : context_.settings.skinPath;
}

std::string& LookPage::settingCurrent() const {
    return look_ == 0 ? context_.settings.designCurrent : context_.settings.skinCurrent;
}

void LookPage::load() {
    folder = settingPath();
    current = settingCurrent();
    if (look_ == 0) author = designerOf(context_.designInUse);
}

void LookPage::activate() {
    context_.settings.pageOptions = look_ == 0 ? kDesignPage : kSkinsPage;
    useThisLook = context_.requestedLook == look_;
    if (names.empty()) fillNames();
}

void LookPage::changeFolder(const std::string& text) {
    folder = takeFolder(text);
    names.clear();
    fillNames();
}

void LookPage::fillNames() {
    platform::setCurrentFolder(folder);
    names.clear();
    if (look_ == 0) {
        names = platform::findFiles(folder, "*.design");
    } else {
        // Skin folders, then skin archives.
        for (const std::string& name : platform::findFolders(folder))
            if (name[0] != '.') names.push_back(name);
        for (const std::string& name : platform::findFiles(folder, "*.wsz"))
            if (name[0] != '.') names.push_back(name);
    }
    selection = firstOrNone(names);
    if (names.size() >= 2) {
        const std::string inUse = lastPart(look_ == 0 ? context_.designInUse : context_.skinInUse);
        selection = std::max(indexOf(names, inUse), 0);
    }
}

void LookPage::setUseThisLook(bool use) {
    useThisLook = use;
    context_.requestedLook = use ? look_ : 1 - look_;
}

void LookPage::apply() {
    settingPath() = folder;
    if (selection < 0 || selection >= static_cast<int>(names.size()) || context_.requestedLook != look_)
        return;
    const std::string path = inFolder(folder, names[static_cast<size_t>(selection)]);
    std::string& inUse = look_ == 0 ? context_.designInUse : context_.skinInUse;
    const bool otherKindInUse = context_.settings.gui != look_;
    if (sameText(path, inUse) && !otherKindInUse) return;
    context_.shell.changeLook(path, look_);
    context_.settings.gui = look_;
    settingCurrent() = path;
    inUse = path;
    current = path;
    if (look_ == 0) author = designerOf(path);
}

// ---- General ----

void GeneralPage::load() {
    const Settings& settings = context_.settings;
    clearOnDrop = (settings.clear & 1) != 0;
    clearOnOpen = (settings.clear & 2) != 0;
    repeat = settings.repeat == 0 ? 0 : 1;
    topmost = settings.topmost != 0;
    snap = settings.snap != 0;
    minimizeState = std::clamp(settings.minimizeState, 0, 2);
    systray = settings.systray & 31;
}

void GeneralPage::apply() {
    Settings& settings = context_.settings;
    settings.clear = (clearOnDrop ? 1 : 0) | (clearOnOpen ? 2 : 0);
    settings.repeat = repeat;
    settings.topmost = topmost ? 1 : 0;
    settings.snap = snap ? 1 : 0;
    settings.minimizeState = minimizeState;
    settings.systray = systray;
    context_.shell.setTopmost(topmost);
    context_.shell.setSnap(snap);
}

}  // namespace tumbor::window
