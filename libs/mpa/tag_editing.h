// The tag editor's round: read the file's tag, let the user edit it, write it
// back. The library's shared tag record follows the file being edited.
#pragma once

#include <string>

#include "libs/mpa/id3v1_tag.h"

namespace tumbor {

struct SharedTag {
    Id3v1Tag record{};       // the last tag read (by open or by the editor)
    bool present = false;    // the record came from a file that has a tag
    std::string id3v2Title;  // from the ID3v2 tags in front of the same file; empty for none
};

enum class TagEditOutcome {
    notHandled,  // not an MPEG file name, or the file cannot be read
    cancelled,
    saved,  // written to the file (or lost because it would not open for update)
    writeFailed
};

TagEditOutcome editFileTag(const std::string& path, void* owner, void* libraryInstance, SharedTag& shared);

}  // namespace tumbor
