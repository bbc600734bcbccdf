// A classic skin folder for tests: the ten pictures in their usual sizes,
// every pixel coding which picture it belongs to and where it lies, so a test
// can tell from a window pixel where it was copied from; and the same skin
// zipped as a ".wsz" archive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "player/window/surface.h"

namespace tumbor::tools {

// The pixel at (x, y) of picture number id (0 main, 1 CButtons, 2 TitleBar,
// 3 Posbar, 4 Volume, 5 MonoSter, 6 ShufRep, 7 Text, 8 Numbers, 9 eqmain).
window::Colour testSkinPixel(int id, int x, int y);

// Writes the ten pictures into folder (which must exist); false on a write failure.
bool writeTestSkin(const std::string& folder);

// One file of a zip archive.
struct ArchiveMember {
    std::string name;  // as stored, "/" between folders
    std::vector<uint8_t> bytes;
    bool stored = false;  // kept as it is rather than deflated
};

// Writes the members into a new zip archive at path, in order; false on a write failure.
bool writeZipArchive(const std::string& path, const std::vector<ArchiveMember>& members);

// The ten pictures as BMP files, named as in a skin folder.
std::vector<ArchiveMember> testSkinFiles();

// The ten pictures zipped as a skin archive is usually made: in a folder
// "TestSkin/", their names in another case ("MAIN.BMP", "cbuttons.bmp", ...).
std::vector<ArchiveMember> testSkinArchiveMembers();
bool writeTestSkinArchive(const std::string& path);

}  // namespace tumbor::tools
