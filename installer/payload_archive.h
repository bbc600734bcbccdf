// The installer's payload archive: file, folder, up and end records appended
// to the installer's own file, followed by their length and the marker
// "TBWD"; and the reader that unpacks them into a folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/folders.h"
#include "player/engine/byte_source.h"

namespace tumbor::installer {

constexpr uint8_t kTagFile = 0x00;    // name length, name, 32-bit size, data
constexpr uint8_t kTagFolder = 0x01;  // name length, name; the folder becomes current
constexpr uint8_t kTagUp = 0x02;      // the parent folder becomes current again
constexpr uint8_t kTagEnd = 0x03;     // unpacking is complete
constexpr char kArchiveMarker[4] = {'T', 'B', 'W', 'D'};
constexpr std::size_t kTrailerSize = 8;  // the length N, then the marker
constexpr std::size_t kMaxNameLength = 255;
constexpr std::size_t kCopyBufferSize = 32768;

// True for a name an archive may carry: 1 to 255 bytes of a plain file or
// folder name. Refused: path separators, drive colons, control characters,
// the other characters Windows does not allow in names, a trailing dot or
// space (which covers "." and ".."), and device names such as "CON" or "lpt1.txt".
bool isPlainName(std::string_view name);

// One file being written by the unpacker.
class OutputFile {
public:
    virtual ~OutputFile() = default;
    virtual bool write(const uint8_t* data, std::size_t size) = 0;
    // Flushes and closes; false when the data did not all reach the file.
    virtual bool close() = 0;
};

// Where the records go. Paths are relative to the installation folder,
// their names joined by platform::pathSeparator().
class UnpackTarget {
public:
    virtual ~UnpackTarget() = default;
    // Creates the folder, or keeps it when it exists; false when neither.
    virtual bool makeFolder(const std::string& path) = 0;
    // Creates or truncates the file for writing; null when it cannot.
    virtual std::unique_ptr<OutputFile> createFile(const std::string& path) = 0;
    virtual void removeFile(const std::string& path) = 0;
};

// The installation folder on disk.
class FolderTarget : public UnpackTarget {
public:
    // folder ends with a path separator.
    explicit FolderTarget(std::string folder) : folder_(std::move(folder)) {}
    bool makeFolder(const std::string& path) override;
    std::unique_ptr<OutputFile> createFile(const std::string& path) override;
    void removeFile(const std::string& path) override;

private:
    std::string folder_;
};

enum class UnpackStatus {
    ok,
    noFolder,            // the installation folder cannot be made current
    cannotOpen,          // the installer's file cannot be opened
    noArchive,           // no marker at the end, or a length field pointing outside the file
    truncated,           // the records end before the end record
    readFailed,          // the installer's file could not be read
    badName,             // a name that is not a plain name
    badNesting,          // an up record in the installation folder itself
    cannotCreateFolder,  // path: the folder
    cannotCreateFile,    // path: the file
    writeFailed,         // path: the file, which has been removed again
};

struct UnpackResult {
    UnpackStatus status = UnpackStatus::ok;
    std::string path;  // the record's path, relative to the installation folder
    bool ok() const { return status == UnpackStatus::ok; }
};

// Called with 0 .. 100 before each piece of a file is copied.
using ProgressFunction = std::function<void(int percent)>;

// Finds the archive at the end of installer and unpacks it record by record
// into target through one 32768-byte buffer. It stops at the first failure:
// records before it stay unpacked, a file whose data could not all be
// written is removed, and nothing is ever written outside the target.
UnpackResult unpackArchive(ByteSource& installer, UnpackTarget& target, const ProgressFunction& progress);

// Unpack(installer file path, installation folder): makes folder (ending
// with a separator) current, opens the installer's file and unpacks its
// archive into target, which writes into that same folder.
UnpackResult unpack(const std::string& installerPath, const std::string& folder, platform::Folders& folders,
                    UnpackTarget& target, const ProgressFunction& progress);

// A sentence saying why unpacking into folder (ending with a separator) failed.
std::string unpackFailureText(const UnpackResult& result, const std::string& folder);

}  // namespace tumbor::installer
