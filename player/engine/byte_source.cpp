// File and memory byte sources.
#include "player/engine/byte_source.h"

#include <cstring>

#include "platform/utf8_files.h"

namespace tumbor {
namespace {

// 64-bit offsets: the 32-bit Windows long would stop at 2 GiB.
int seekFile(std::FILE* file, uint64_t offset, int origin) {
#if defined(_WIN32)
    return _fseeki64(file, static_cast<int64_t>(offset), origin);
#else
    return fseeko(file, static_cast<off_t>(offset), origin);
#endif
}

int64_t tellFile(std::FILE* file) {
#if defined(_WIN32)
    return _ftelli64(file);
#else
    return ftello(file);
#endif
}

}  // namespace

std::unique_ptr<FileSource> FileSource::open(const std::string& path) {
    std::FILE* file = platform::openFile(path, "rb");
    if (!file) return nullptr;
    int64_t size = -1;
    if (seekFile(file, 0, SEEK_END) == 0) size = tellFile(file);
    if (size < 0 || size > 0xFFFFFFFFll || seekFile(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return nullptr;
    }
    return std::unique_ptr<FileSource>(new FileSource(file, static_cast<uint64_t>(size)));
}

FileSource::~FileSource() { std::fclose(file_); }

size_t FileSource::readAt(uint64_t offset, void* buffer, size_t count) {
    if (offset != filePosition_) {
        if (seekFile(file_, offset, SEEK_SET) != 0) return 0;
        filePosition_ = offset;
    }
    size_t got = std::fread(buffer, 1, count, file_);
    filePosition_ += got;
    if (got < count) std::clearerr(file_);
    return got;
}

size_t MemorySource::readAt(uint64_t offset, void* buffer, size_t count) {
    if (offset >= bytes_.size()) return 0;
    size_t available = static_cast<size_t>(bytes_.size() - offset);
    size_t got = count < available ? count : available;
    std::memcpy(buffer, bytes_.data() + offset, got);
    return got;
}

}  // namespace tumbor
