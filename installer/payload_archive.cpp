// Reading the payload archive: locating it from the end of the installer's
// file, checking every length against the records' extent, and unpacking.
#include "installer/payload_archive.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <system_error>
#include <vector>

#include "platform/dynamic_library.h"
#include "platform/folders.h"
#include "platform/utf8_files.h"

namespace tumbor::installer {
namespace {

bool isDeviceName(std::string_view name) {
    // Windows opens the device whatever the extension and trailing blanks.
    std::string base(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
        base == "CONOUT$")
        return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

class StdioFile : public OutputFile {
public:
    explicit StdioFile(std::FILE* file) : file_(file) {}
    ~StdioFile() override {
        if (file_) std::fclose(file_);
    }
    bool write(const uint8_t* data, std::size_t size) override {
        return std::fwrite(data, 1, size, file_) == size;
    }
    bool close() override {
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        return closed;
    }

private:
    std::FILE* file_;
};

// Walks the records between the archive's start and its length field.
class Unpacker {
public:
    Unpacker(ByteSource& installer, UnpackTarget& target, const ProgressFunction& progress)
        : installer_(installer), target_(target), progress_(progress) {}

    UnpackResult run();

private:
    bool locate();
    bool readBytes(void* buffer, std::size_t count);
    bool readName(std::string& name);
    bool readSize(uint32_t& size);
    UnpackResult enterFolder();
    UnpackResult leaveFolder();
    UnpackResult unpackFile();
    UnpackResult copyData(const std::string& path, uint32_t size);
    void reportProgress() const;
    std::string pathOf(const std::string& name) const {
        return folder_.empty() ? name : folder_ + platform::pathSeparator() + name;
    }
    // What a read that came short means: the file failed, or the records ended.
    UnpackResult shortRead(std::string path = {}) const {
        return UnpackResult{readError_ ? UnpackStatus::readFailed : UnpackStatus::truncated, std::move(path)};
    }

    ByteSource& installer_;
    UnpackTarget& target_;
    const ProgressFunction& progress_;
    std::vector<uint8_t> buffer_;  // the one copy buffer
    uint64_t start_ = 0;           // the first record
    uint64_t end_ = 0;             // the length field, just after the last record
    uint32_t total_ = 0;           // N, the records' length plus four
    uint64_t position_ = 0;        // the next byte to read
    bool readError_ = false;
    std::string folder_;  // the current folder, relative to the installation folder
    int depth_ = 0;
};

bool Unpacker::locate() {
    const uint64_t size = installer_.size();
    uint8_t trailer[kTrailerSize];
    if (size < kTrailerSize || installer_.readAt(size - kTrailerSize, trailer, kTrailerSize) != kTrailerSize)
        return false;
    // A file cut short has lost its marker; N would then be any four bytes.
    if (!std::equal(std::begin(kArchiveMarker), std::end(kArchiveMarker), trailer + 4)) return false;
    total_ = static_cast<uint32_t>(trailer[0] | trailer[1] << 8 | trailer[2] << 16 |
                                   static_cast<uint32_t>(trailer[3]) << 24);
    // At least the end record, and nothing before the file's start.
    if (total_ < 5 || total_ > size - 4) return false;
    start_ = position_ = size - 4 - total_;
    end_ = size - kTrailerSize;
    return true;
}

// Reads within the records only: the length field and marker are not records.
bool Unpacker::readBytes(void* buffer, std::size_t count) {
    if (count > end_ - position_) return false;
    if (installer_.readAt(position_, buffer, count) != count) {
        readError_ = true;
        return false;
    }
    position_ += count;
    return true;
}

bool Unpacker::readName(std::string& name) {
    uint8_t length;
    if (!readBytes(&length, 1)) return false;
    name.assign(length, '\0');
    return readBytes(&name[0], length);
}

bool Unpacker::readSize(uint32_t& size) {
    uint8_t field[4];
    if (!readBytes(field, 4)) return false;
    size = static_cast<uint32_t>(field[0] | field[1] << 8 | field[2] << 16 |
                                 static_cast<uint32_t>(field[3]) << 24);
    return true;
}

UnpackResult Unpacker::run() {
    if (!locate()) return UnpackResult{UnpackStatus::noArchive, ""};
    buffer_.resize(kCopyBufferSize);
    for (;;) {
        uint8_t tag;
        if (!readBytes(&tag, 1)) return shortRead();
        UnpackResult result;
        switch (tag) {
            case kTagFile:
                result = unpackFile();
                break;
            case kTagFolder:
                result = enterFolder();
                break;
            case kTagUp:
                result = leaveFolder();
                break;
            case kTagEnd:
                return result;
            default:
                break;  // unknown tags are skipped
        }
        if (!result.ok()) return result;
    }
}

UnpackResult Unpacker::enterFolder() {
    std::string name;
    if (!readName(name)) return shortRead();
    const std::string path = pathOf(name);
    if (!isPlainName(name)) return UnpackResult{UnpackStatus::badName, path};
    if (!target_.makeFolder(path)) return UnpackResult{UnpackStatus::cannotCreateFolder, path};
    folder_ = path;
    ++depth_;
    return UnpackResult{};
}

UnpackResult Unpacker::leaveFolder() {
    // Above the installation folder lies what is not ours.
    if (depth_ == 0) return UnpackResult{UnpackStatus::badNesting, ""};
    --depth_;
    const std::size_t cut = folder_.rfind(platform::pathSeparator());
    folder_.erase(cut == std::string::npos ? 0 : cut);
    return UnpackResult{};
}

UnpackResult Unpacker::unpackFile() {
    std::string name;
    uint32_t size;
    if (!readName(name) || !readSize(size)) return shortRead(pathOf(name));
    const std::string path = pathOf(name);
    if (!isPlainName(name)) return UnpackResult{UnpackStatus::badName, path};
    // Checked before the file is touched: a cut archive leaves no cut file.
    if (size > end_ - position_) return UnpackResult{UnpackStatus::truncated, path};
    return copyData(path, size);
}

void Unpacker::reportProgress() const {
    if (total_ / 100 == 0 || !progress_) return;
    const uint64_t percent = (position_ - start_) / (total_ / 100);
    progress_(static_cast<int>(std::min<uint64_t>(percent, 100)));
}

UnpackResult Unpacker::copyData(const std::string& path, uint32_t size) {
    std::unique_ptr<OutputFile> file = target_.createFile(path);
    if (!file) return UnpackResult{UnpackStatus::cannotCreateFile, path};
    UnpackResult result{UnpackStatus::ok, path};
    for (uint32_t remaining = size; remaining > 0 && result.ok();) {
        reportProgress();
        const std::size_t piece = std::min<std::size_t>(remaining, kCopyBufferSize);
        if (!readBytes(buffer_.data(), piece)) {
            result = shortRead(path);
        } else if (!file->write(buffer_.data(), piece)) {
            result.status = UnpackStatus::writeFailed;
        }
        remaining -= static_cast<uint32_t>(piece);
    }
    const bool closed = file->close();
    if (result.ok() && !closed) result.status = UnpackStatus::writeFailed;
    if (result.ok()) return UnpackResult{};
    // A file cut short must not pass for the real one.
    target_.removeFile(path);
    return result;
}

std::string printable(const std::string& text) {
    std::string shown = text;
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return shown;
}

}  // namespace

bool isPlainName(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameLength) return false;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return false;
        if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) return false;
    }
    if (name.back() == '.' || name.back() == ' ') return false;
    return !isDeviceName(name);
}

bool FolderTarget::makeFolder(const std::string& path) {
    platform::Folders& folders = platform::systemFolders();
    const std::string full = folder_ + path;
    return folders.create(full) || folders.isFolder(full);
}

std::unique_ptr<OutputFile> FolderTarget::createFile(const std::string& path) {
    std::FILE* file = platform::openFile(folder_ + path, "wb");
    if (!file) return nullptr;
    return std::make_unique<StdioFile>(file);
}

void FolderTarget::removeFile(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(platform::fileSystemPath(folder_ + path), ignored);
}

UnpackResult unpackArchive(ByteSource& installer, UnpackTarget& target, const ProgressFunction& progress) {
    return Unpacker(installer, target, progress).run();
}

UnpackResult unpack(const std::string& installerPath, const std::string& folder, platform::Folders& folders,
                    UnpackTarget& target, const ProgressFunction& progress) {
    if (!folders.setCurrent(folder)) return UnpackResult{UnpackStatus::noFolder, ""};
    std::unique_ptr<FileSource> installer = FileSource::open(installerPath);
    if (!installer) return UnpackResult{UnpackStatus::cannotOpen, installerPath};
    return unpackArchive(*installer, target, progress);
}

std::string unpackFailureText(const UnpackResult& result, const std::string& folder) {
    const std::string path = folder + printable(result.path);
    switch (result.status) {
        case UnpackStatus::ok:
            return "";
        case UnpackStatus::noFolder:
            return "Could not change into the installation directory " + folder + ".";
        case UnpackStatus::cannotOpen:
            return "The setup program could not open its own file " + result.path + ".";
        case UnpackStatus::noArchive:
            return "The setup program carries no files to install: it is damaged or incomplete.";
        case UnpackStatus::truncated:
            return "The setup program is damaged: its files end too early.";
        case UnpackStatus::readFailed:
            return "The setup program could not read its own file.";
        case UnpackStatus::badName:
            return "The setup program is damaged: it holds the name \"" + printable(result.path) +
                   "\", which is not a plain file name.";
        case UnpackStatus::badNesting:
            return "The setup program is damaged: its folders do not nest.";
        case UnpackStatus::cannotCreateFolder:
            return "Could not create the directory " + path + ".";
        case UnpackStatus::cannotCreateFile:
            return "Could not create the file " + path + ".";
        case UnpackStatus::writeFailed:
            return "Could not write the file " + path + " (Not enough space left on the drive?).";
    }
    return "";
}

}  // namespace tumbor::installer
