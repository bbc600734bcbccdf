// Loading the window's look: a design file or a skin (folder or archive) into
// the WindowModel, with the fall-back chain that ends only when some look loads.
#pragma once

#include <functional>
#include <string>

#include "player/window/text_painter.h"
#include "player/window/window_model.h"

namespace tumbor::window {

enum class LookRequest { design = 0, skin = 1 };

class LookLoader {
public:
    LookLoader(WindowModel& model, TextPainter& painter) : model_(model), painter_(painter) {}

    // Reads one design file (relative to the design folder) into the model and builds all images.
    bool designParse(const std::string& path);
    // A skin folder or skin archive (".wsz") at path.
    bool skinLoad(const std::string& path);

    // Loads the requested look; on failure the look loaded before, then the
    // current design file; while that fails, the "Error loading design" box and
    // a file-open dialog until a design loads.
    void designLoad(LookRequest kind, const std::string& path);

    std::string currentDesign;  // path of the current design file
    std::string currentSkin;    // folder or archive of the current skin
    std::string designFolder;   // folder relative design file names are taken from
    void* owner = nullptr;      // owner window of the box and dialog
    // Called before each attempt: the shell shrinks its window to 1 by 1 pixel.
    std::function<void()> beforeLoad;

private:
    bool attempt(LookKind kind, const std::string& path);

    WindowModel& model_;
    TextPainter& painter_;
};

}  // namespace tumbor::window
