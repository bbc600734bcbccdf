// make-test-modules: writes the tracker test songs (test_modules.h) as MOD
// files: four.mod, six.mod and eight.mod; or, with --short, COUNT variants of
// the short songs (short_modules.h) in MOD, S3M, XM and IT.
//   usage: make-test-modules DIR
//          make-test-modules --short COUNT DIR
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tools/trk_modules/short_modules.h"
#include "tools/trk_modules/test_modules.h"

namespace {

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return static_cast<bool>(file);
}

}  // namespace

int writeShortModules(int count, const std::string& folder) {
    for (int variant = 0; variant < count; ++variant)
        for (const tumbor::trk::test::ShortModule& module : tumbor::trk::test::makeShortModules(variant)) {
            std::string path = folder + "/" + module.fileName;
            if (!writeFile(path, module.bytes)) {
                std::fprintf(stderr, "make-test-modules: cannot write %s\n", path.c_str());
                return 1;
            }
        }
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--short" && std::atoi(argv[2]) > 0)
        return writeShortModules(std::atoi(argv[2]), argv[3]);
    if (argc != 2) {
        std::fputs(
            "usage: make-test-modules DIR\n  writes four.mod, six.mod and eight.mod into DIR\n"
            "       make-test-modules --short COUNT DIR\n"
            "  writes short-0.mod .. short-<COUNT-1>.it, songs of 1 to 2 seconds, into DIR\n",
            stderr);
        return 2;
    }
    std::string folder = argv[1];
    for (const tumbor::trk::test::TestModule& module : tumbor::trk::test::makeTestModules()) {
        std::string path = folder + "/" + module.fileName;
        if (!writeFile(path, module.file.bytes())) {
            std::fprintf(stderr, "make-test-modules: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
