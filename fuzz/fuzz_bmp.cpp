// libFuzzer target: the BMP reader, then the picture used as a button image.
#include "player/window/bmp_reader.h"
#include "player/window/design_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tumbor::window;
    Surface picture;
    if (!bmpDecode(data, size, picture)) return 0;
    Surface back(64, 32);
    keyColourTransparency(picture, back, 3, 4, picture.width(), picture.height());
    makePressedLook(picture, back, 60, 30);
    blit(back, -5, 7, picture, 2, -3, picture.width(), picture.height());
    return 0;
}
