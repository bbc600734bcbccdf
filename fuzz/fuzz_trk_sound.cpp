// libFuzzer target: the tracker mixer in every sound setting. The first
// byte chooses the interpolation, ramping, stereo separation and output
// format; the rest is a module played through loading, a few renders and a
// seek.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "libs/trk/model/format_detection.h"
#include "libs/trk/tracker_player.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tumbor::trk;
    if (size < 2) return 0;
    const uint8_t choice = data[0];
    OutputMode mode;
    mode.interpolation = choice & 3;
    mode.ramping = (choice & 4) != 0;
    mode.stereo = (choice & 8) != 0;
    mode.sixteenBit = (choice & 16) != 0;
    const int separations[] = {100, 0, 50, 200};
    mode.stereoSeparation = separations[(choice >> 5) & 3];
    mode.rate = (choice & 128) ? 22050 : 44100;
    MemoryByteSource source(data + 1, size - 1);
    ModuleReader reader(source);
    TrackerPlayer player;
    if (player.load(source, detectFormat(reader), mode)) return 0;
    std::vector<uint8_t> buffer(4096);
    for (int i = 0; i < 48 && player.decode(buffer.data(), static_cast<int>(buffer.size())); ++i)
        if (i == 8) player.seek(player.position() + 5);
    return 0;
}
