// Skin folders and the choice between a folder and an archive.
#include "player/window/skin_source.h"

#include <fstream>

#include "platform/folders.h"
#include "platform/utf8_files.h"
#include "player/window/file_names.h"
#include "player/window/skin_archive.h"

namespace tumbor::window {
namespace {

// A picture file bigger than this cannot hold a picture the BMP reader accepts.
constexpr size_t kMaxPictureFileBytes = size_t{256} << 20;

}  // namespace

bool readWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (!platform::systemFolders().fileExists(path)) return false;
    std::ifstream file(platform::fileSystemPath(path), std::ios::binary);
    if (!file) return false;
    // Read in pieces until the end rather than trust a size told beforehand.
    constexpr size_t kPiece = 64 * 1024;
    while (file) {
        const size_t at = bytes.size();
        if (at > limit) break;
        bytes.resize(at + kPiece);
        file.read(reinterpret_cast<char*>(bytes.data() + at), static_cast<std::streamsize>(kPiece));
        bytes.resize(at + static_cast<size_t>(file.gcount()));
    }
    const bool whole = file.eof() && !file.bad() && bytes.size() <= limit;
    if (!whole) bytes.clear();
    return whole;
}

bool SkinFolder::read(const std::string& name, std::vector<uint8_t>& bytes) {
    return readWholeFile(joinPath(folder_, name), kMaxPictureFileBytes, bytes);
}

std::unique_ptr<SkinSource> openSkinSource(const std::string& path) {
    const std::string file = joinPath(std::string(), path);
    if (!platform::systemFolders().fileExists(file)) return std::make_unique<SkinFolder>(path);
    std::vector<uint8_t> bytes;
    if (!readWholeFile(file, kMaxSkinArchiveBytes, bytes)) return nullptr;
    return SkinArchive::open(std::move(bytes));
}

}  // namespace tumbor::window
