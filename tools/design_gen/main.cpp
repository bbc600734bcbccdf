// tumbor-design-gen: draws the default design "TumborR" (its design file and
// pictures), the coded classic skin folder the tests use, the program's icon,
// or the tray buttons' icons.
//   tumbor-design-gen tumborr FOLDER    FOLDER/TumborR.design, FOLDER/Designs/TumborR/*.bmp
//   tumbor-design-gen testskin FOLDER   the ten skin pictures in FOLDER
//   tumbor-design-gen testwsz FILE      the same pictures zipped as a skin archive
//   tumbor-design-gen icon FILE         the program's icon
//   tumbor-design-gen trayicons FOLDER  FOLDER/TrayPlay.ico, TrayStop, TrayPause, TrayPrevious, TrayNext
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/design_gen/icon.h"
#include "tools/design_gen/test_skin.h"
#include "tools/design_gen/tumborr.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr,
                     "usage: tumbor-design-gen tumborr|testskin|trayicons FOLDER | icon|testwsz FILE\n");
        return 2;
    }
    const std::string mode = argv[1], folder = argv[2];
    std::error_code error;
    bool ok = false;
    if (mode == "tumborr") {
        std::filesystem::create_directories(std::filesystem::path(folder) / "Designs" / "TumborR", error);
        ok = tumbor::tools::writeTumborR(folder);
    } else if (mode == "testskin") {
        std::filesystem::create_directories(folder, error);
        ok = tumbor::tools::writeTestSkin(folder);
    } else if (mode == "testwsz") {
        ok = tumbor::tools::writeTestSkinArchive(folder);
    } else if (mode == "icon") {
        ok = tumbor::tools::writeIcon(folder);
    } else if (mode == "trayicons") {
        std::filesystem::create_directories(folder, error);
        ok = tumbor::tools::writeTrayIcons(folder);
    }
    if (!ok)
        std::fprintf(stderr, "tumbor-design-gen: could not write %s into %s\n", mode.c_str(), folder.c_str());
    return ok ? 0 : 1;
}
