// make-test-modules: writes the tracker test songs (test_modules.h) as MOD
// files: four.mod, six.mod and eight.mod.
//   usage: make-test-modules DIR
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/trk_modules/test_modules.h"

namespace {

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make-test-modules DIR\n  writes four.mod, six.mod and eight.mod into DIR\n",
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
