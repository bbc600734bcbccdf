// The content list of an installer: one line per record, in record order.
// "Name\" opens a folder inside the current one, ".." closes it again, any
// other line names a file taken from the same place under the source folder;
// blank lines and lines starting with "#" are skipped, and leading blanks
// may show the nesting. The end record is implied.
#pragma once

#include <string>
#include <vector>

#include "installer/archive_writer.h"

namespace tumbor::installer {

struct PayloadEntry {
    enum class Kind { file, folder, up };
    Kind kind;
    std::string name;  // empty for up
    int line;          // in the list, from 1
};

// The entries of the list; false with error naming the line when a name is
// not a plain name or the folders do not nest.
bool parsePayloadList(const std::string& text, std::vector<PayloadEntry>& entries, std::string& error);

// Every file of the list, as a path relative to the source folder with the
// names joined by separator.
std::vector<std::string> payloadFiles(const std::vector<PayloadEntry>& entries, char separator);

// Writes the entries' records and the end, reading each file from
// sourceFolder (ending with a separator) plus its relative path.
bool packPayload(const std::vector<PayloadEntry>& entries, const std::string& sourceFolder,
                 ArchiveWriter& writer, std::string& error);

}  // namespace tumbor::installer
