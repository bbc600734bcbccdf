// Reading an installer's content list and packing what it names.
#include "installer/payload_list.h"

#include "installer/payload_archive.h"
#include "platform/dynamic_library.h"

namespace tumbor::installer {
namespace {

std::string trimmed(const std::string& line) {
    const std::size_t begin = line.find_first_not_of(" \t");
    if (begin == std::string::npos) return "";
    const std::size_t end = line.find_last_not_of(" \t\r");
    return line.substr(begin, end - begin + 1);
}

}  // namespace

bool parsePayloadList(const std::string& text, std::vector<PayloadEntry>& entries, std::string& error) {
    entries.clear();
    int depth = 0, number = 0;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        const std::string line = trimmed(text.substr(begin, end - begin));
        begin = end + 1;
        ++number;
        if (line.empty() || line[0] == '#') continue;
        const std::string where = "line " + std::to_string(number) + ": ";
        if (line == "..") {
            if (depth-- == 0) {
                error = where + "\"..\" without an open folder";
                return false;
            }
            entries.push_back({PayloadEntry::Kind::up, "", number});
            continue;
        }
        const bool folder = line.back() == '\\';
        const std::string name = folder ? line.substr(0, line.size() - 1) : line;
        if (!isPlainName(name)) {
            error = where + "\"" + name + "\" is not a plain file or folder name";
            return false;
        }
        depth += folder;
        entries.push_back({folder ? PayloadEntry::Kind::folder : PayloadEntry::Kind::file, name, number});
    }
    if (depth != 0) {
        error = "a folder is not closed with \"..\" at the end of the list";
        return false;
    }
    return true;
}

std::vector<std::string> payloadFiles(const std::vector<PayloadEntry>& entries, char separator) {
    std::vector<std::string> files;
    std::string folder;
    for (const PayloadEntry& entry : entries) {
        switch (entry.kind) {
            case PayloadEntry::Kind::folder:
                folder += entry.name + separator;
                break;
            case PayloadEntry::Kind::up:
                folder.pop_back();
                folder.erase(folder.rfind(separator) == std::string::npos ? 0 : folder.rfind(separator) + 1);
                break;
            case PayloadEntry::Kind::file:
                files.push_back(folder + entry.name);
                break;
        }
    }
    return files;
}

bool packPayload(const std::vector<PayloadEntry>& entries, const std::string& sourceFolder,
                 ArchiveWriter& writer, std::string& error) {
    const char separator = platform::pathSeparator();
    std::string folder = sourceFolder;
    for (const PayloadEntry& entry : entries) {
        bool written = true;
        switch (entry.kind) {
            case PayloadEntry::Kind::folder:
                written = writer.folder(entry.name);
                folder += entry.name + separator;
                break;
            case PayloadEntry::Kind::up:
                written = writer.up();
                folder.pop_back();
                folder.erase(folder.rfind(separator) + 1);
                break;
            case PayloadEntry::Kind::file:
                written = writer.fileFrom(entry.name, folder + entry.name);
                break;
        }
        if (!written) {
            error = "line " + std::to_string(entry.line) + ": " + writer.error();
            return false;
        }
    }
    if (writer.finish()) return true;
    error = writer.error();
    return false;
}

}  // namespace tumbor::installer
