// Writing the payload archive: records one after another, then the length
// field and the marker, exactly in the layout the installer reads.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tumbor::installer {

// Where the written bytes go.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool write(const uint8_t* data, std::size_t size) = 0;
};

class VectorSink : public ByteSink {
public:
    bool write(const uint8_t* data, std::size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
        return true;
    }
    std::vector<uint8_t> bytes;
};

class StdioSink : public ByteSink {
public:
    explicit StdioSink(std::FILE* file) : file_(file) {}
    bool write(const uint8_t* data, std::size_t size) override {
        return std::fwrite(data, 1, size, file_) == size;
    }

private:
    std::FILE* file_;
};

// Each call answers false, with error() saying why, when a name is not a
// plain name, the folders do not nest, a size does not fit the format or the
// output fails; the archive is then unusable.
class ArchiveWriter {
public:
    explicit ArchiveWriter(ByteSink& out) : out_(out) {}

    bool folder(const std::string& name);
    bool up();
    bool file(const std::string& name, const std::vector<uint8_t>& data);
    // The file's data streamed from sourcePath.
    bool fileFrom(const std::string& name, const std::string& sourcePath);
    // The end record, the length field and the marker; every folder must be
    // closed. Nothing can be added after it.
    bool finish();
    bool finished() const { return finished_; }

    const std::string& error() const { return error_; }
    uint64_t recordBytes() const { return recordBytes_; }
    int fileCount() const { return files_; }
    int folderCount() const { return folders_; }

private:
    bool put(const uint8_t* data, std::size_t size);   // trailer bytes
    bool emit(const uint8_t* data, std::size_t size);  // record bytes, counted
    bool emitName(uint8_t tag, const std::string& name);
    bool emitSize(uint32_t size);
    bool fail(std::string why);

    ByteSink& out_;
    std::string error_;
    uint64_t recordBytes_ = 0;
    int depth_ = 0;
    bool finished_ = false;
    int files_ = 0;
    int folders_ = 0;
};

}  // namespace tumbor::installer
