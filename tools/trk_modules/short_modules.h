// Short songs of about one to two seconds in each of the four main tracker
// formats (MOD, S3M, XM, IT), written byte by byte for the soak test's playlists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tumbor::trk::test {

// Each short song plays this many ticks per row at tempo 125 (60 ms rows).
constexpr int kShortSongSpeed = 3;

struct ShortModule {
    std::string fileName;  // "short-<variant>.<extension>"
    std::string title;
    int rows = 0;  // rows played, one pattern
    std::vector<uint8_t> bytes;
};

// The songs of one variant, one per format; variants differ in their notes,
// waveform and number of rows (12 to 28), and are the same bytes every time.
std::vector<ShortModule> makeShortModules(int variant);

}  // namespace tumbor::trk::test
