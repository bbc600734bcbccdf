// The payload archive's writer, used by the packing tool and the tests.
#include "installer/archive_writer.h"

#include <algorithm>
#include <memory>

#include "installer/payload_archive.h"

namespace tumbor::installer {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// N = records + 4 is a 32-bit field.
constexpr uint64_t kMaxRecordBytes = 0xFFFFFFFFull - 4;

std::vector<uint8_t> littleEndian(uint32_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 24)};
}

}  // namespace

bool ArchiveWriter::fail(std::string why) {
    if (error_.empty()) error_ = std::move(why);
    return false;
}

bool ArchiveWriter::put(const uint8_t* data, std::size_t size) {
    if (!error_.empty()) return false;
    return out_.write(data, size) || fail("the output could not be written");
}

bool ArchiveWriter::emit(const uint8_t* data, std::size_t size) {
    if (!error_.empty()) return false;
    if (finished_) return fail("records after the end of the archive");
    if (size > kMaxRecordBytes - recordBytes_) return fail("the archive would exceed 4 GiB");
    if (!put(data, size)) return false;
    recordBytes_ += size;
    return true;
}

bool ArchiveWriter::emitName(uint8_t tag, const std::string& name) {
    if (!isPlainName(name)) return fail("\"" + name + "\" is not a plain file or folder name");
    const uint8_t head[2] = {tag, static_cast<uint8_t>(name.size())};
    return emit(head, 2) && emit(reinterpret_cast<const uint8_t*>(name.data()), name.size());
}

bool ArchiveWriter::emitSize(uint32_t size) {
    const std::vector<uint8_t> field = littleEndian(size);
    return emit(field.data(), field.size());
}

bool ArchiveWriter::folder(const std::string& name) {
    if (!emitName(kTagFolder, name)) return false;
    ++depth_;
    ++folders_;
    return true;
}

bool ArchiveWriter::up() {
    if (depth_ == 0) return fail("an up record without an open folder");
    --depth_;
    return emit(&kTagUp, 1);
}

bool ArchiveWriter::file(const std::string& name, const std::vector<uint8_t>& data) {
    const uint64_t size = data.size();
    if (size > 0xFFFFFFFFull) return fail("\"" + name + "\" is 4 GiB or larger");
    if (!emitName(kTagFile, name) || !emitSize(static_cast<uint32_t>(data.size())) ||
        !emit(data.data(), data.size()))
        return false;
    ++files_;
    return true;
}

bool ArchiveWriter::fileFrom(const std::string& name, const std::string& sourcePath) {
    std::unique_ptr<std::FILE, FileCloser> source(std::fopen(sourcePath.c_str(), "rb"));
    if (!source) return fail("cannot open " + sourcePath);
    // Its size first: the record states it before the data.
    uint64_t size = 0;
    std::vector<uint8_t> buffer(kCopyBufferSize);
    for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), source.get())) > 0;) size += got;
    if (std::ferror(source.get())) return fail("cannot read " + sourcePath);
    if (size > 0xFFFFFFFFull) return fail(sourcePath + " is 4 GiB or larger");
    std::rewind(source.get());
    if (!emitName(kTagFile, name) || !emitSize(static_cast<uint32_t>(size))) return false;
    uint64_t copied = 0;
    for (std::size_t got; copied < size && (got = std::fread(buffer.data(), 1,
                                                             std::min<uint64_t>(buffer.size(), size - copied),
                                                             source.get())) > 0;) {
        if (!emit(buffer.data(), got)) return false;
        copied += got;
    }
    if (copied != size) return fail(sourcePath + " changed while it was packed");
    ++files_;
    return true;
}

bool ArchiveWriter::finish() {
    if (depth_ != 0) return fail("a folder is not closed before the end");
    if (!emit(&kTagEnd, 1)) return false;
    finished_ = true;
    const std::vector<uint8_t> total = littleEndian(static_cast<uint32_t>(recordBytes_ + 4));
    return put(total.data(), total.size()) &&
           put(reinterpret_cast<const uint8_t*>(kArchiveMarker), sizeof kArchiveMarker);
}

}  // namespace tumbor::installer
