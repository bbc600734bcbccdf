// The MOD files make-test-modules writes, built byte by byte for the tracker
// library's end-to-end tests and benchmark, kept apart so tests can read them.
#pragma once

#include <string>
#include <vector>

#include "tests/unit/trk/test_songs.h"

namespace tumbor::trk::test {

struct TestModule {
    std::string fileName;
    ModFile file;
};

// A 4-channel "M.K." song, a "6CHN" and an "8CHN" song, 20 to 40 seconds
// each, with varied samples and nearly every MOD effect; the same bytes every time.
std::vector<TestModule> makeTestModules();

}  // namespace tumbor::trk::test
