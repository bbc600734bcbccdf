// The output of the specified mixer settings does not move as the mixer
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
    // Rendered by the mixer before ramping, cubic and sinc interpolation and
    // stereo separation were added to it.
    const uint64_t expected[][4] = {
        {0x3e460e45ab2091c3ull, 0x7fa52fa12ae3c914ull, 0x5f692551ce9ac1aeull, 0xee98dfb5dd9bb6e3ull},
        {0xa507aea2b61f45a1ull, 0x67015afc364d56a1ull, 0x0263c6d2bec5b5ffull, 0x239535e34a2b073cull},
        {0xba356406022076faull, 0x68afb7834ec0a492ull, 0xb874d528e85ca9c9ull, 0xae327a25cde440a3ull},
        {0xef0ef6267d22a6a8ull, 0xa197f62bea5bdc52ull, 0xb90106486cdcb21full, 0x8098c606ba99c0d7ull},
        {0x1d00aa403e262461ull, 0x9cea413e4fe5e9ebull, 0xb90106486cdcb21full, 0x8098c606ba99c0d7ull},
        {0x9a6e748a4b684af1ull, 0xc338fa07842ba9a1ull, 0xc1a5dd4e9a1266a1ull, 0x21a48f839370d391ull},
        {0xdcfbb39031c17cddull, 0xafeaa8217712bb8dull, 0xb21cdce07721e20aull, 0x831a5858a803cdaaull},
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
