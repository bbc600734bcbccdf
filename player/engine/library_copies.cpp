// Copying the stream libraries into a folder of their own.
#include "player/engine/library_copies.h"

#include <filesystem>
#include <random>
#include <system_error>

#include "platform/dynamic_library.h"
#include "platform/utf8_files.h"

namespace tumbor {

namespace fs = std::filesystem;

LibraryCopies::LibraryCopies(const std::string& folder) {
    std::error_code error;
    const fs::path copies =
        fs::temp_directory_path(error) / ("Tumbor-libraries-" + std::to_string(std::random_device{}()));
    if (error || !fs::create_directories(copies, error)) return;
    bool copied = false;
    for (const std::string& name : platform::findFiles(folder, platform::streamLibraryPattern())) {
        const fs::path file = platform::fileSystemPath(folder) / platform::fileSystemPath(name);
        copied = fs::copy_file(file, copies / platform::fileSystemPath(name), error) || copied;
    }
    if (copied) folder_ = platform::utf8Path(copies) + platform::pathSeparator();
    else fs::remove_all(copies, error);
}

LibraryCopies::~LibraryCopies() {
    std::error_code error;
    if (!folder_.empty()) fs::remove_all(platform::fileSystemPath(folder_), error);
}

}  // namespace tumbor
