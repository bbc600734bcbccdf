// The bytes libmpg123 reads: the player's input services or a file on disk,
// seen through a window so that libmpg123 takes the window's start for the
// start of its stream and never reads past the window's end.
#pragma once

#include <cstdint>
#include <cstdio>

#include "libs/common/stream_input.h"

struct mpg123_handle_struct;

namespace tumbor {

class MpegSource {
public:
    virtual ~MpegSource() = default;
    // Bytes read, up to count; 0 at the end or on failure.
    virtual int read(void* buffer, int count) = 0;
    // Absolute; false (position unchanged) past the end.
    virtual bool seek(uint64_t offset) = 0;
    virtual uint64_t tell() = 0;
    virtual uint64_t size() = 0;
};

class InputMpegSource : public MpegSource {
public:
    explicit InputMpegSource(const StreamInput& input) : input_(input) {}
    int read(void* buffer, int count) override;
    bool seek(uint64_t offset) override { return input_.seek(offset); }
    uint64_t tell() override { return input_.tell(); }
    uint64_t size() override { return input_.size(); }

private:
    const StreamInput& input_;
};

// A file opened for binary reading; the caller keeps it open.
class FileMpegSource : public MpegSource {
public:
    explicit FileMpegSource(std::FILE* file);
    int read(void* buffer, int count) override;
    bool seek(uint64_t offset) override;
    uint64_t tell() override;
    uint64_t size() override { return size_; }

private:
    std::FILE* file_;
    uint64_t size_ = 0;
};

// libmpg123 sees offset 0 at base and the end of its stream at limit (or at
// the end of the source, whichever comes first).
struct ReaderWindow {
    MpegSource* source = nullptr;
    uint64_t base = 0;
    uint64_t limit = UINT64_MAX;
};

// Positions the source at the window's base and opens handle on it, libmpg123
// reading through the window from then on; the window must outlive the open
// stream. False when either fails.
bool openOnWindow(mpg123_handle_struct* handle, ReaderWindow& window);

}  // namespace tumbor
