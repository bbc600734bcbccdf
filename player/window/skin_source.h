// Where a skin's pictures come from: a folder of files, or a zip archive
// (".wsz") read in memory. The skin loader reads every picture through this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tumbor::window {

class SkinSource {
public:
    virtual ~SkinSource() = default;
    // The whole file called name (a picture such as "main.bmp") into bytes;
    // false when the skin has no such file or it cannot be read.
    virtual bool read(const std::string& name, std::vector<uint8_t>& bytes) = 0;
};

// The pictures as files of a folder.
class SkinFolder : public SkinSource {
public:
    explicit SkinFolder(std::string folder) : folder_(std::move(folder)) {}
    bool read(const std::string& name, std::vector<uint8_t>& bytes) override;

private:
    std::string folder_;
};

// Archives bigger than this are refused unread.
constexpr size_t kMaxSkinArchiveBytes = size_t{64} << 20;

// The skin at path: an existing file is read as a skin archive, anything else
// taken as a folder. Null when the file cannot be read, is too big or is no
// archive the reader can open.
std::unique_ptr<SkinSource> openSkinSource(const std::string& path);

// Up to limit bytes of the file at path; false when it cannot be opened or
// read, or is longer than limit.
bool readWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& bytes);

}  // namespace tumbor::window
