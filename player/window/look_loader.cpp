// The design file reader and the fall-back chain of look loads.
#include "player/window/look_loader.h"

#include <fstream>
#include <iterator>

#include "platform/dialogs.h"
#include "platform/utf8_files.h"
#include "player/window/bmp_reader.h"
#include "player/window/design_builder.h"
#include "player/window/design_parser.h"
#include "player/window/file_names.h"
#include "player/window/skin_loader.h"

namespace tumbor::window {

bool LookLoader::designParse(const std::string& path) {
    const std::string file = joinPath(designFolder, path);
    std::ifstream in(platform::fileSystemPath(file), std::ios::binary);
    if (!in) return false;
    currentDesign = path;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    parseDesignText(text, model_);
    const std::string folder = folderOf(file);
    auto readPicture = [&folder](const std::string& name, Surface& picture) {
        return !name.empty() && bmpLoad(joinPath(folder, name), picture);
    };
    return buildDesign(model_, readPicture, painter_);
}

bool LookLoader::skinLoad(const std::string& path) {
    currentSkin = path;
    return window::skinLoad(path, model_);
}

bool LookLoader::attempt(LookKind kind, const std::string& path) {
    const bool loaded = kind == LookKind::design ? designParse(path) : skinLoad(path);
    if (!loaded) model_.reset();
    return loaded;
}

void LookLoader::designLoad(LookRequest kind, const std::string& path) {
    if (beforeLoad) beforeLoad();
    const LookKind before = model_.kind;
    const std::string designBefore = currentDesign, skinBefore = currentSkin;
    model_.reset();
    if (attempt(kind == LookRequest::design ? LookKind::design : LookKind::skin, path)) return;
    if (before != LookKind::none && attempt(before, before == LookKind::design ? designBefore : skinBefore))
        return;
    const std::string filter = "Design files(*.design)|*.design|All files(*.*)|*.*||";
    while (!attempt(LookKind::design, currentDesign)) {
        platform::MessageBoxRequest box;
        box.owner = owner;
        box.text = "Design file \"" + currentDesign +
                   "\" has errors or does not exist. Press OK to choose another design.";
        box.caption = "Error loading design";
        box.icon = platform::MessageIcon::error;
        platform::showMessageBox(box);
        std::string chosen;
        if (platform::chooseFileToOpen(owner, filter, chosen)) currentDesign = chosen;
    }
}

}  // namespace tumbor::window
