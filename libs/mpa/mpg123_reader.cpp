// libmpg123's replaceable reader over an MpegSource window.
#include "libs/mpa/mpg123_reader.h"

#include <mpg123.h>
#include <sys/types.h>

#include <climits>

namespace tumbor {
namespace {

ssize_t readWindow(void* handle, void* buffer, size_t count) {
    ReaderWindow& window = *static_cast<ReaderWindow*>(handle);
    uint64_t at = window.source->tell();
    if (at >= window.limit) return 0;
    uint64_t left = window.limit - at;
    if (count > left) count = static_cast<size_t>(left);
    int wanted = count > INT_MAX ? INT_MAX : static_cast<int>(count);
    int got = window.source->read(buffer, wanted);
    return got < 0 ? 0 : got;
}

off_t seekWindow(void* handle, off_t offset, int whence) {
    ReaderWindow& window = *static_cast<ReaderWindow*>(handle);
    uint64_t end = window.source->size() < window.limit ? window.source->size() : window.limit;
    int64_t base = static_cast<int64_t>(window.base);
    if (whence == SEEK_CUR) base = static_cast<int64_t>(window.source->tell());
    if (whence == SEEK_END) base = static_cast<int64_t>(end);
    int64_t target = base + static_cast<int64_t>(offset);
    int64_t relative = target - static_cast<int64_t>(window.base);
    if (relative < 0 || static_cast<uint64_t>(target) > end || relative > static_cast<int64_t>(LONG_MAX) ||
        !window.source->seek(static_cast<uint64_t>(target)))
        return -1;
    return static_cast<off_t>(relative);
}

}  // namespace

int InputMpegSource::read(void* buffer, int count) {
    int got = input_.readSome(buffer, count);
    return got < 0 ? 0 : got;
}

FileMpegSource::FileMpegSource(std::FILE* file) : file_(file) {
    if (std::fseek(file_, 0, SEEK_END) == 0) {
        long end = std::ftell(file_);
        if (end > 0) size_ = static_cast<uint64_t>(end);
    }
    std::fseek(file_, 0, SEEK_SET);
}

int FileMpegSource::read(void* buffer, int count) {
    if (count <= 0) return 0;
    return static_cast<int>(std::fread(buffer, 1, static_cast<size_t>(count), file_));
}

bool FileMpegSource::seek(uint64_t offset) {
    return offset <= size_ && offset <= static_cast<uint64_t>(LONG_MAX) &&
           std::fseek(file_, static_cast<long>(offset), SEEK_SET) == 0;
}

uint64_t FileMpegSource::tell() {
    long at = std::ftell(file_);
    return at < 0 ? 0 : static_cast<uint64_t>(at);
}

bool openOnWindow(mpg123_handle_struct* handle, ReaderWindow& window) {
    return window.source && window.source->seek(window.base) &&
           mpg123_replace_reader_handle(handle, readWindow, seekWindow, nullptr) == MPG123_OK &&
           mpg123_open_handle(handle, &window) == MPG123_OK;
}

}  // namespace tumbor
