// Reading and writing the ID3v1 tag of a file on disk, for the tag editor.
// Writing only ever replaces an existing tag block or appends a new one, so
// the sound bytes before it are never touched. Paths are UTF-8.
#pragma once

#include <string>

#include "libs/mpa/id3v1_tag.h"

namespace tumbor {

// True when the name mentions one of the MPEG extensions (any case, anywhere).
bool isMpegFileName(const std::string& name);

struct TagReadResult {
    bool readable = false;  // the file could be opened
    bool present = false;   // its last 128 bytes are a tag
};

// Reads the last 128 bytes of a file longer than 128 bytes into tag. Files of
// 128 bytes or less have no tag; tag is then left as it was.
TagReadResult readTagFile(const std::string& path, Id3v1Tag& tag);

enum class TagWriteResult { written, cannotOpen, failed };

// Writes tag over the file's existing tag, or appends it when the file has
// none. Whether a tag exists is decided again here, from the file as it is
// now, so that a stale answer can never overwrite the end of the sound.
TagWriteResult writeTagFile(const std::string& path, const Id3v1Tag& tag);

}  // namespace tumbor
