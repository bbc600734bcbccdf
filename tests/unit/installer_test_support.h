// Helpers for the installer's tests: a temporary folder, archives built in
// memory, and an unpack target that keeps what it is given in memory and can
// be told to fail.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "installer/archive_writer.h"
#include "installer/payload_archive.h"

namespace tumbor::testing {

namespace fs = std::filesystem;

// A fresh folder under the test's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        path_ = fs::absolute(::testing::TempDir()) /
                ("tumbor_installer_" + std::to_string(std::random_device{}()));
        fs::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const fs::path& path() const { return path_; }
    // The folder as the unpacker and the writer take it: with a trailing separator.
    std::string withSeparator() const { return (path_ / "").string(); }

private:
    fs::path path_;
};

inline void writeFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<uint8_t> pattern(std::size_t size, unsigned seed) {
    std::vector<uint8_t> bytes(size);
    std::minstd_rand random(seed);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
    return bytes;
}

// Stands for the installer's own program image in front of the archive.
inline std::vector<uint8_t> programImage() {
    std::vector<uint8_t> image = pattern(1000, 7);
    image[0] = 'M';
    image[1] = 'Z';
    return image;
}

// The image followed by the records written by build, their length and the marker.
template <typename Build>
std::vector<uint8_t> installerWith(Build build) {
    installer::VectorSink sink;
    sink.bytes = programImage();
    installer::ArchiveWriter writer(sink);
    build(writer);
    if (!writer.finished()) {
        EXPECT_TRUE(writer.finish()) << writer.error();
    }
    return sink.bytes;
}

// The image followed by raw record bytes, their length and the marker: for
// archives the writer would refuse to make.
inline std::vector<uint8_t> installerWithRecords(const std::vector<uint8_t>& records) {
    std::vector<uint8_t> file = programImage();
    file.reserve(file.size() + records.size() + 8);
    file.insert(file.end(), records.begin(), records.end());
    const uint32_t total = static_cast<uint32_t>(records.size() + 4);
    for (int shift = 0; shift < 32; shift += 8) file.push_back(static_cast<uint8_t>(total >> shift));
    file.insert(file.end(), {'T', 'B', 'W', 'D'});
    return file;
}

// Keeps the folders and files unpacked into it; a file can be refused, or
// fail after a number of bytes or on close.
class MemoryTarget : public installer::UnpackTarget {
public:
    bool makeFolder(const std::string& path) override {
        if (refusedFolders.count(path)) return false;
        folders.insert(path);
        operations.push_back("folder " + path);
        return true;
    }
    std::unique_ptr<installer::OutputFile> createFile(const std::string& path) override {
        operations.push_back("file " + path);
        if (refusedFiles.count(path)) return nullptr;
        files[path].clear();
        return std::make_unique<File>(*this, path);
    }
    void removeFile(const std::string& path) override {
        operations.push_back("remove " + path);
        files.erase(path);
    }

    std::set<std::string> folders;
    std::map<std::string, std::vector<uint8_t>> files;
    std::vector<std::string> operations;
    std::set<std::string> refusedFolders, refusedFiles;
    std::size_t writeLimit = SIZE_MAX;  // bytes that can be written to any one file
    bool closeFails = false;

private:
    class File : public installer::OutputFile {
    public:
        File(MemoryTarget& target, std::string path) : target_(target), path_(std::move(path)) {}
        bool write(const uint8_t* data, std::size_t size) override {
            std::vector<uint8_t>& bytes = target_.files[path_];
            if (bytes.size() + size > target_.writeLimit) return false;
            bytes.insert(bytes.end(), data, data + size);
            return true;
        }
        bool close() override { return !target_.closeFails; }

    private:
        MemoryTarget& target_;
        std::string path_;
    };
};

}  // namespace tumbor::testing
