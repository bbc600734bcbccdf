// ID3v2 tags at the front of an MPEG file: where they end, so that the search
// for the first frame starts behind them, and the title their text frames
// give, parsed by libmpg123, as UTF-8 text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "libs/common/loudness_tags.h"
#include "libs/common/utf8_text.h"
#include "libs/mpa/mpg123_reader.h"

namespace tumbor {

constexpr size_t kId3v2HeaderBytes = 10;

// The whole size of the tag whose 10-byte header this is (header, body and
// footer), or 0 when it is no ID3v2 header.
uint32_t id3v2TagBytes(const uint8_t (&header)[kId3v2HeaderBytes]);

// The offset just behind the ID3v2 tags that follow each other from the start
// of the source; 0 when it does not begin with one. A tag reaching past the
// end of the source ends the walk before it.
uint64_t skipFrontTags(MpegSource& source);

// "artist - title" from the TPE1 and TIT2 frames of the tags in front of
// tagsEnd, or the title alone, cut to kMaxTitleLength characters; empty when
// there is no title. With loudness,
// the ReplayGain values of the TXXX frames are gathered there too.
std::string titleFromFrontTags(MpegSource& source, uint64_t tagsEnd, LoudnessTags* loudness = nullptr);

// The same for a file on disk, by its UTF-8 name; empty when it cannot be
// read or has no title.
std::string titleFromFrontTagsOfFile(const std::string& path);

}  // namespace tumbor
