// The coded test skin.
#include "tools/design_gen/test_skin.h"

#include "player/window/bmp_writer.h"
#include "player/window/file_names.h"

namespace tumbor::tools {

using window::Colour;
using window::Surface;

Colour testSkinPixel(int id, int x, int y) {
    return window::rgb(x & 0xFF, y & 0xFF, id * 16 + (x >> 8) + (y >> 8) * 4);
}

bool writeTestSkin(const std::string& folder) {
    struct Picture {
        const char* name;
        int width, height;
    };
    const Picture pictures[] = {{"main.bmp", 275, 116},  {"CButtons.bmp", 136, 36}, {"TitleBar.bmp", 344, 87},
                                {"Posbar.bmp", 307, 10}, {"Volume.bmp", 68, 433},   {"MonoSter.bmp", 58, 24},
                                {"ShufRep.bmp", 92, 85}, {"Text.bmp", 155, 18},     {"Numbers.bmp", 99, 13}};
    for (int id = 0; id < 9; ++id) {
        const Picture& p = pictures[id];
        Surface picture(p.width, p.height);
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) picture.setPixel(x, y, testSkinPixel(id, x, y));
        if (!window::bmpSave(window::joinPath(folder, p.name), picture)) return false;
    }
    return true;
}

}  // namespace tumbor::tools
