// tumbor-pack: builds an installer from its bare program image and a content
// list, appending the archive with its length and marker.
//   tumbor-pack IMAGE LIST SOURCE_FOLDER OUTPUT
//   tumbor-pack --files LIST      prints the list's files, one relative path a line
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "installer/archive_writer.h"
#include "installer/payload_list.h"

namespace {

using tumbor::installer::PayloadEntry;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool readText(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

int fail(const std::string& message) {
    std::fprintf(stderr, "tumbor-pack: %s\n", message.c_str());
    return 1;
}

bool copyImage(const std::string& image, std::FILE* out) {
    std::unique_ptr<std::FILE, FileCloser> in(std::fopen(image.c_str(), "rb"));
    if (!in) return false;
    std::vector<char> buffer(65536);
    for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0;)
        if (std::fwrite(buffer.data(), 1, got, out) != got) return false;
    return !std::ferror(in.get());
}

int pack(const std::string& image, const std::vector<PayloadEntry>& entries, std::string source,
         const std::string& output) {
    if (source.empty() || source.back() != '/') source += '/';
    // Written aside and renamed, so that a failed run leaves no installer behind.
    const std::string partial = output + ".partial";
    std::unique_ptr<std::FILE, FileCloser> out(std::fopen(partial.c_str(), "wb"));
    if (!out) return fail("cannot create " + partial);
    if (!copyImage(image, out.get())) {
        std::remove(partial.c_str());
        return fail("cannot copy " + image);
    }
    tumbor::installer::StdioSink sink(out.get());
    tumbor::installer::ArchiveWriter writer(sink);
    std::string error;
    const bool packed = tumbor::installer::packPayload(entries, source, writer, error);
    const bool closed = std::fclose(out.release()) == 0;
    // The installer runs like the image it came from.
    chmod(partial.c_str(), 0755);
    if (!packed || !closed || std::rename(partial.c_str(), output.c_str()) != 0) {
        std::remove(partial.c_str());
        return fail(packed ? "cannot write " + output : error);
    }
    std::printf("%s: %d files, %d folders, %llu bytes of records\n", output.c_str(), writer.fileCount(),
                writer.folderCount(), static_cast<unsigned long long>(writer.recordBytes()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool filesOnly = args.size() == 2 && args[0] == "--files";
    if (!filesOnly && args.size() != 4) {
        std::fprintf(stderr,
                     "usage: tumbor-pack IMAGE LIST SOURCE_FOLDER OUTPUT\n"
                     "       tumbor-pack --files LIST\n");
        return 2;
    }
    const std::string& listPath = args[1];
    std::string text, error;
    std::vector<PayloadEntry> entries;
    if (!readText(listPath, text)) return fail("cannot read " + listPath);
    if (!tumbor::installer::parsePayloadList(text, entries, error)) return fail(listPath + ": " + error);
    if (filesOnly) {
        for (const std::string& file : tumbor::installer::payloadFiles(entries, '/'))
            std::printf("%s\n", file.c_str());
        return 0;
    }
    return pack(args[0], entries, args[2], args[3]);
}
