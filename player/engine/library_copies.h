// Private copies of the stream libraries in a temporary folder. Loaded from
// there, they are libraries of their own with their own module records and
// state, so titles and lengths can be read while the originals play.
#pragma once

#include <string>

namespace tumbor {

class LibraryCopies {
public:
    // Copies every stream library of folder; folder() is "" when none could be.
    explicit LibraryCopies(const std::string& folder);
    // Removes the copies; the libraries loaded from them must be released first.
    ~LibraryCopies();
    LibraryCopies(const LibraryCopies&) = delete;
    LibraryCopies& operator=(const LibraryCopies&) = delete;

    // The folder of the copies, with a trailing separator.
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
};

}  // namespace tumbor
