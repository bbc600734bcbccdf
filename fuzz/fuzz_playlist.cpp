// libFuzzer target: playlist text (M3U, M3U8, PLS) read, then written in
// every format and read again.
#include <string>

#include "player/engine/playlist_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tumbor;
    const std::vector<PlaylistItem> items =
        parsePlaylist(std::string(reinterpret_cast<const char*>(data), size));
    for (PlaylistFormat format : {PlaylistFormat::m3u8, PlaylistFormat::m3u, PlaylistFormat::pls})
        parsePlaylist(formatPlaylist(items, format));
    return 0;
}
