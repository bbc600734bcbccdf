// Tag blocks read from and written to files by their UTF-8 names, as the
// player passes them.
#include "libs/mpa/id3v1_file.h"

#include <cctype>
#include <cstdio>
#include <memory>

#include "platform/utf8_files.h"

namespace tumbor {
namespace {

constexpr long kTagSize = static_cast<long>(sizeof(Id3v1Tag));

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

long fileSize(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    return std::ftell(file);
}

// Reads the tag block of an open file; false when it has none.
bool readTagBlock(std::FILE* file, Id3v1Tag& tag) {
    long size = fileSize(file);
    if (size <= kTagSize) return false;
    Id3v1Tag block;
    if (std::fseek(file, size - kTagSize, SEEK_SET) != 0 || std::fread(&block, sizeof block, 1, file) != 1)
        return false;
    tag = block;
    return hasTagSignature(block);
}

}  // namespace

bool isMpegFileName(const std::string& name) {
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* extension : {".mp1", ".mp2", ".mp3", ".mpa"})
        if (lower.find(extension) != std::string::npos) return true;
    return false;
}

TagReadResult readTagFile(const std::string& path, Id3v1Tag& tag) {
    TagReadResult result;
    File file(platform::openFile(path, "rb"));
    if (!file) return result;
    result.readable = true;
    result.present = readTagBlock(file.get(), tag);
    return result;
}

TagWriteResult writeTagFile(const std::string& path, const Id3v1Tag& tag) {
    File file(platform::openFile(path, "r+b"));
    if (!file) return TagWriteResult::cannotOpen;
    Id3v1Tag existing;
    bool replace = readTagBlock(file.get(), existing);
    long size = fileSize(file.get());
    if (size < 0) return TagWriteResult::failed;
    long at = replace ? size - kTagSize : size;
    if (std::fseek(file.get(), at, SEEK_SET) != 0 || std::fwrite(&tag, sizeof tag, 1, file.get()) != 1)
        return TagWriteResult::failed;
    return std::fclose(file.release()) == 0 ? TagWriteResult::written : TagWriteResult::failed;
}

}  // namespace tumbor
