// The installer's archive reader over an installer file made of the fuzzer's
// bytes, unpacking into memory: whatever the bytes, every path it is asked to
// make consists of plain names, and it writes no more than the file holds.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "installer/payload_archive.h"
#include "platform/dynamic_library.h"

namespace {

using tumbor::installer::isPlainName;

void checkPath(const std::string& path) {
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = path.find(platform::pathSeparator(), begin);
        if (!isPlainName(path.substr(begin, end - begin))) std::abort();
        if (end == std::string::npos) return;
        begin = end + 1;
    }
}

class CountingTarget : public tumbor::installer::UnpackTarget {
public:
    bool makeFolder(const std::string& path) override {
        checkPath(path);
        return true;
    }
    std::unique_ptr<tumbor::installer::OutputFile> createFile(const std::string& path) override {
        checkPath(path);
        return std::make_unique<File>(written);
    }
    void removeFile(const std::string& path) override { checkPath(path); }

    std::size_t written = 0;

private:
    class File : public tumbor::installer::OutputFile {
    public:
        explicit File(std::size_t& written) : written_(written) {}
        bool write(const uint8_t*, std::size_t size) override {
            written_ += size;
            return true;
        }
        bool close() override { return true; }

    private:
        std::size_t& written_;
    };
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tumbor::MemorySource installer(data, size);
    CountingTarget target;
    int lastPercent = 0;
    tumbor::installer::unpackArchive(installer, target, [&lastPercent](int percent) {
        if (percent < lastPercent || percent > 100) std::abort();
        lastPercent = percent;
    });
    if (target.written > size) std::abort();
    return 0;
}
