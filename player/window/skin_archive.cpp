// The skin archive over minizip: the archive's bytes are served to minizip
// through file functions of its own, so nothing is extracted to disk; the
// members are indexed by their last name part once, when the archive opens.
#include "player/window/skin_archive.h"

#include <unzip.h>

#include <algorithm>
#include <cstring>

namespace tumbor::window {
namespace {

// The archive's bytes as the one "file" minizip opens.
struct MemoryStream {
    const uint8_t* data = nullptr;
    ZPOS64_T size = 0;
    ZPOS64_T position = 0;
};

voidpf ZCALLBACK openStream(voidpf opaque, const void*, int mode) {
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
    auto* stream = static_cast<MemoryStream*>(opaque);
    stream->position = 0;
    return stream;
}

uLong ZCALLBACK readStream(voidpf, voidpf opened, void* buffer, uLong size) {
    auto* stream = static_cast<MemoryStream*>(opened);
    const ZPOS64_T count = std::min<ZPOS64_T>(size, stream->size - stream->position);
    if (count > 0) std::memcpy(buffer, stream->data + stream->position, static_cast<size_t>(count));
    stream->position += count;
    return static_cast<uLong>(count);
}

uLong ZCALLBACK writeStream(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK tellStream(voidpf, voidpf opened) { return static_cast<MemoryStream*>(opened)->position; }

// Positions past the end are refused rather than read as zeros.
long ZCALLBACK seekStream(voidpf, voidpf opened, ZPOS64_T offset, int origin) {
    auto* stream = static_cast<MemoryStream*>(opened);
    ZPOS64_T base = 0;
    switch (origin) {
        case ZLIB_FILEFUNC_SEEK_SET:
            base = 0;
            break;
        case ZLIB_FILEFUNC_SEEK_CUR:
            base = stream->position;
            break;
        case ZLIB_FILEFUNC_SEEK_END:
            base = stream->size;
            break;
        default:
            return -1;
    }
    if (offset > stream->size - base) return -1;
    stream->position = base + offset;
    return 0;
}

int ZCALLBACK closeStream(voidpf, voidpf) { return 0; }
int ZCALLBACK streamError(voidpf, voidpf) { return 0; }

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowerAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return lowerAscii(c); });
    return text;
}

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// Stored names longer than this are skipped: no picture lies that deep.
constexpr unsigned kMaxNameLength = 1024;
constexpr size_t kReadChunk = 64 * 1024;

struct ArchiveCloser {
    void operator()(void* archive) const { unzClose(archive); }
};

}  // namespace

struct SkinArchive::Impl {
    struct Member {
        std::string key;  // the last name part in lower case
        int depth;        // the folders above it
        unz64_file_pos position;
    };

    void indexMembers();
    const Member* find(const std::string& name) const;
    bool readCurrent(std::vector<uint8_t>& bytes);

    std::vector<uint8_t> bytes;
    MemoryStream stream;
    std::unique_ptr<void, ArchiveCloser> archive;  // closed before the bytes it reads go
    std::vector<Member> members;
};

void SkinArchive::Impl::indexMembers() {
    std::vector<char> name(kMaxNameLength + 1);
    int status = unzGoToFirstFile(archive.get());
    for (size_t seen = 0; status == UNZ_OK && seen < kMaxMembers;
         ++seen, status = unzGoToNextFile(archive.get())) {
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(archive.get(), &info, name.data(), static_cast<uLong>(name.size()),
                                    nullptr, 0, nullptr, 0) != UNZ_OK ||
            info.size_filename > kMaxNameLength)
            continue;
        const std::string full(name.data(), info.size_filename);
        const auto last = std::find_if(full.rbegin(), full.rend(), isSeparator).base();
        Member member{lowerAscii(std::string(last, full.end())),
                      static_cast<int>(std::count_if(full.begin(), last, isSeparator)),
                      {}};
        if (member.key.empty() || unzGetFilePos64(archive.get(), &member.position) != UNZ_OK) continue;
        members.push_back(std::move(member));
    }
}

const SkinArchive::Impl::Member* SkinArchive::Impl::find(const std::string& name) const {
    const std::string key = lowerAscii(name);
    const Member* best = nullptr;
    for (const Member& member : members)
        if (member.key == key && (!best || member.depth < best->depth)) best = &member;
    return best;
}

// The current member, all of it: its stated size must be read exactly and
// its CRC must match, which minizip checks when the member is closed.
bool SkinArchive::Impl::readCurrent(std::vector<uint8_t>& out) {
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(archive.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return false;
    const bool encrypted = (info.flag & 1) != 0;
    if (encrypted || info.uncompressed_size > kMaxMemberBytes) return false;
    if (unzOpenCurrentFile(archive.get()) != UNZ_OK) return false;
    // The buffer grows with what inflates, not with what the header claims.
    const size_t size = static_cast<size_t>(info.uncompressed_size);
    out.clear();
    int count = 0;
    while (out.size() < size) {
        const size_t at = out.size(), wanted = std::min(size - at, kReadChunk);
        out.resize(at + wanted);
        count = unzReadCurrentFile(archive.get(), out.data() + at, static_cast<unsigned>(wanted));
        out.resize(at + static_cast<size_t>(std::max(count, 0)));
        if (count <= 0) break;
    }
    const bool complete = out.size() == size && count >= 0;
    const bool checked = unzCloseCurrentFile(archive.get()) == UNZ_OK;
    if (complete && checked) return true;
    out.clear();
    return false;
}

SkinArchive::SkinArchive(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
SkinArchive::~SkinArchive() = default;

std::unique_ptr<SkinArchive> SkinArchive::open(std::vector<uint8_t> bytes) {
    auto impl = std::make_unique<Impl>();
    impl->bytes = std::move(bytes);
    impl->stream.data = impl->bytes.data();
    impl->stream.size = impl->bytes.size();
    zlib_filefunc64_def functions{};
    functions.zopen64_file = openStream;
    functions.zread_file = readStream;
    functions.zwrite_file = writeStream;
    functions.ztell64_file = tellStream;
    functions.zseek64_file = seekStream;
    functions.zclose_file = closeStream;
    functions.zerror_file = streamError;
    functions.opaque = &impl->stream;
    impl->archive.reset(unzOpen2_64("", &functions));
    if (!impl->archive) return nullptr;
    impl->indexMembers();
    return std::unique_ptr<SkinArchive>(new SkinArchive(std::move(impl)));
}

bool SkinArchive::read(const std::string& name, std::vector<uint8_t>& bytes) {
    bytes.clear();
    const Impl::Member* member = impl_->find(name);
    if (!member) return false;
    unz64_file_pos position = member->position;
    return unzGoToFilePos64(impl_->archive.get(), &position) == UNZ_OK && impl_->readCurrent(bytes);
}

}  // namespace tumbor::window
