// Strm_TRK's record with in-memory input, and the songs its tests play.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "player/engine/input_services.h"
#include "stream/stream_module.h"
#include "tests/unit/trk/test_songs.h"

extern "C" StreamLibraryHeader* STREAM_CALL tumborGetStreamHeader(void);

namespace tumbor::trk::test {

inline StreamModule& trk() { return *tumborGetStreamHeader()->getModule(0); }

inline int offer(const std::vector<uint8_t>& file) {
    attachInput(std::make_unique<MemorySource>(file));
    installInputServices(trk());
    return trk().open();
}

// A four-row song: a looping square wave on channel 0, speed 5 at tempo 125,
// so each row lasts a tenth of a second.
inline ModFile fourRowSong() {
    ModFile file;
    std::vector<int8_t> square(64);
    for (size_t i = 0; i < square.size(); ++i) square[i] = i < 32 ? 100 : -100;
    file.setSample(1, square, 64, 0, 0, 32);
    file.setCell(0, 0, 0, 428, 1, 0xF, 5);
    file.setCell(0, 3, 1, 0, 0, 0xD, 0);
    return file;
}

inline std::vector<uint8_t> decodeAll(int bufferSize, int limit = 1000) {
    std::vector<uint8_t> all, buffer(static_cast<size_t>(bufferSize));
    for (int i = 0; i < limit && trk().decode(buffer.data(), bufferSize); ++i)
        all.insert(all.end(), buffer.begin(), buffer.end());
    return all;
}

inline std::string settingsPath(const std::string& name) {
    return (std::filesystem::absolute(::testing::TempDir()) / ("strm_trk_test_" + name + ".ini")).string();
}

inline void writeFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

}  // namespace tumbor::trk::test
