// libFuzzer target: a skin archive's bytes through minizip to the skin's
// pictures: every picture read by name and decoded, then the whole skin load.
#include "player/window/bmp_reader.h"
#include "player/window/skin_archive.h"
#include "player/window/skin_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tumbor::window;
    auto archive = SkinArchive::open(std::vector<uint8_t>(data, data + size));
    if (!archive) return 0;
    std::vector<uint8_t> bytes;
    Surface picture;
    for (const char* name : {"main.bmp", "CButtons.bmp", "TitleBar.bmp", "Posbar.bmp", "Volume.bmp",
                             "MonoSter.bmp", "ShufRep.bmp", "Text.bmp", "Numbers.bmp"})
        if (archive->read(name, bytes)) bmpDecode(bytes.data(), bytes.size(), picture);
    WindowModel model;
    skinLoad(*archive, model);
    return 0;
}
