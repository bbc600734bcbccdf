// The output of the classic mixer settings does not move as the mixer
// grows: the generated songs of every format, rendered in the output modes
// with and without linear interpolation, hash to what they always did.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "libs/trk/model/format_detection.h"
#include "libs/trk/tracker_player.h"
#include "tools/trk_modules/short_modules.h"
#include "tools/trk_modules/test_modules.h"

namespace tumbor::trk::test {
namespace {

// FNV-1a over the first seconds of a song.
uint64_t renderedHash(const std::vector<uint8_t>& bytes, const OutputMode& mode, int seconds) {
    MemoryByteSource source(bytes);
    ModuleReader reader(source);
    const SongFormat format = detectFormat(reader);
    TrackerPlayer player;
    EXPECT_EQ(player.load(source, format, mode), nullptr);
    uint64_t hash = 14695981039346656037ull;
    std::vector<uint8_t> buffer(8192);
    const uint32_t total = mode.rate * mode.bytesPerFrame() * static_cast<uint32_t>(seconds);
    for (uint32_t done = 0; done < total && player.decode(buffer.data(), static_cast<int>(buffer.size()));
         done += static_cast<uint32_t>(buffer.size())) {
        for (uint8_t byte : buffer) hash = (hash ^ byte) * 1099511628211ull;
    }
    return hash;
}

TEST(DefaultSound, RendersAsItAlwaysDid) {
    std::vector<std::vector<uint8_t>> songs;
    for (const TestModule& module : makeTestModules()) songs.push_back(module.file.bytes());
    for (const ShortModule& module : makeShortModules(1)) songs.push_back(module.bytes);
    struct Mode {
        bool stereo, sixteenBit;
        int interpolation;
    };
    const Mode modes[] = {{true, true, 0}, {true, true, 1}, {false, false, 0}, {false, true, 1}};
    // Rendered with the positions' extra fraction bits, which keep low notes
    // in tune; ramping, cubic and sinc interpolation and stereo separation
    // leave these modes alone.
    const uint64_t expected[][4] = {
        {0x655f40d57c6dc427ull, 0x77f391297ae974deull, 0x842b0e8726a4ef3cull, 0x6dc17fd385beefcfull},
        {0xc1e3b2eafea15ca0ull, 0xb64b744b5e8f7818ull, 0x0e697642d3df224aull, 0xb890d39ea67ff1aaull},
        {0x4270e691bcef697dull, 0xa9b0c665d5b21c29ull, 0xe30db77ebf197d45ull, 0x70b3b26a2d1bade8ull},
        {0x2cd180f1cea1a16full, 0x071be4a730302cd7ull, 0xea98f57b5f44dbf8ull, 0xf5f9816bb8a51658ull},
        {0x067ccd250a419c12ull, 0x1fcf17713f1c6ed8ull, 0xea98f57b5f44dbf8ull, 0xf5f9816bb8a51658ull},
        {0xc9ee530ee63938bdull, 0xe890b2b6e1749dc9ull, 0x2de17b2100839d64ull, 0x54831d27e28f1135ull},
        {0xa0a509f3b31220adull, 0x364146891eacbc4dull, 0x17ea801050790eccull, 0x5937e1163cd5c9ccull},
    };
    ASSERT_EQ(songs.size(), std::size(expected));
    for (size_t song = 0; song < songs.size(); ++song) {
        for (size_t m = 0; m < std::size(modes); ++m) {
            OutputMode mode;
            mode.stereo = modes[m].stereo;
            mode.sixteenBit = modes[m].sixteenBit;
            mode.interpolation = modes[m].interpolation;
            const uint64_t hash = renderedHash(songs[song], mode, 6);
            EXPECT_EQ(hash, expected[song][m]) << "song " << song << ", mode " << m;
        }
    }
}

}  // namespace
}  // namespace tumbor::trk::test
