// BMP decoding from memory: the file header, the 40-byte information header,
// the colour table right after it, then the pixel rows from that point on (the
// data offset of the file header is not used).
#include "player/window/bmp_reader.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "platform/utf8_files.h"

namespace tumbor::window {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
enum Compression : uint32_t { kUncompressed = 0, kRunLength8 = 1 };

// A cursor over the file's bytes; every read checks that the bytes are there.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool has(size_t count) const { return count <= size_ - position_; }
    const uint8_t* take(size_t count) {
        if (!has(count)) return nullptr;
        const uint8_t* at = data_ + position_;
        position_ += count;
        return at;
    }
    size_t remaining() const { return size_ - position_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

struct InfoHeader {
    int32_t width;         // pixels per row
    int32_t height;        // rows; positive means stored bottom-up
    uint16_t bitCount;     // bits per pixel
    uint32_t compression;  // 0 none, 1 8-bit run-length
    uint32_t coloursUsed;  // entries of the colour table, 0 for 2^bitCount
};

InfoHeader parseInfo(const uint8_t* p) {
    return InfoHeader{static_cast<int32_t>(u32(p + 4)), static_cast<int32_t>(u32(p + 8)), u16(p + 14),
                      u32(p + 16), u32(p + 32)};
}

// Colour-table entries are blue, green, red, reserved. An index past the end
// of the table gives black.
class Palette {
public:
    bool read(ByteReader& in, uint32_t count) {
        const uint8_t* entries = in.take(static_cast<size_t>(count) * 4);
        if (!entries) return false;
        colours_.resize(count);
        for (uint32_t i = 0; i < count; ++i)
            colours_[i] = rgb(entries[i * 4 + 2], entries[i * 4 + 1], entries[i * 4]);
        return true;
    }
    Colour operator[](unsigned index) const { return index < colours_.size() ? colours_[index] : 0; }

private:
    std::vector<Colour> colours_;
};

size_t rowBytes(int bits, int width) { return ((static_cast<size_t>(bits) * width + 31) / 32) * 4; }

unsigned indexAt(const uint8_t* row, int x, int bits) {
    switch (bits) {
        case 1:
            return (row[x / 8] >> (7 - x % 8)) & 1;
        case 4:
            return (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
        default:
            return row[x];
    }
}

// Rows come in file order, which is the surface's own bottom-up order.
uint8_t* fileRow(Surface& picture, int fileRowIndex) {
    return picture.bits() + fileRowIndex * picture.stride();
}

bool readIndexed(ByteReader& in, const Palette& palette, int bits, Surface& picture) {
    const size_t bytes = rowBytes(bits, picture.width());
    for (int r = 0; r < picture.height(); ++r) {
        const uint8_t* source = in.take(bytes);
        if (!source) return false;
        uint8_t* target = fileRow(picture, r);
        for (int x = 0; x < picture.width(); ++x) {
            Colour c = palette[indexAt(source, x, bits)];
            target[x * 3] = static_cast<uint8_t>(blueOf(c));
            target[x * 3 + 1] = static_cast<uint8_t>(greenOf(c));
            target[x * 3 + 2] = static_cast<uint8_t>(redOf(c));
        }
    }
    return true;
}

bool readRgb555(ByteReader& in, Surface& picture) {
    const size_t bytes = rowBytes(16, picture.width());
    for (int r = 0; r < picture.height(); ++r) {
        const uint8_t* source = in.take(bytes);
        if (!source) return false;
        uint8_t* target = fileRow(picture, r);
        for (int x = 0; x < picture.width(); ++x) {
            const unsigned v = u16(source + x * 2);
            target[x * 3] = static_cast<uint8_t>(v << 3);
            target[x * 3 + 1] = static_cast<uint8_t>((v >> 5) << 3);
            target[x * 3 + 2] = static_cast<uint8_t>((v >> 10) << 3);
        }
    }
    return true;
}

bool readRgb24(ByteReader& in, Surface& picture) {
    for (int r = 0; r < picture.height(); ++r) {
        const uint8_t* source = in.take(static_cast<size_t>(picture.stride()));
        if (!source) return false;
        std::copy(source, source + picture.stride(), fileRow(picture, r));
    }
    return true;
}

// 8-bit run-length data: (count, index) pairs, or 0 followed by an escape: 0
// ends the line, 1 ends the picture, 2 moves right and down by the next two
// bytes, 3 and more is an absolute run padded to an even length. Pixels that
// would fall outside the picture are dropped; running out of data ends it.
void decodeRunLength8(ByteReader& in, const Palette& palette, Surface& picture) {
    const size_t count = in.remaining();
    const uint8_t* data = in.take(count);
    int x = 0, r = 0;  // r counts rows from the bottom, as the file does
    auto put = [&](unsigned index) {
        if (x < picture.width() && r < picture.height()) {
            Colour c = palette[index];
            uint8_t* p = fileRow(picture, r) + x * 3;
            p[0] = static_cast<uint8_t>(blueOf(c));
            p[1] = static_cast<uint8_t>(greenOf(c));
            p[2] = static_cast<uint8_t>(redOf(c));
        }
        ++x;
    };
    size_t i = 0;
    while (i + 1 < count && r < picture.height()) {
        const unsigned first = data[i], second = data[i + 1];
        i += 2;
        if (first > 0) {
            for (unsigned k = 0; k < first; ++k) put(second);
        } else if (second == 0) {
            x = 0;
            ++r;
        } else if (second == 1) {
            return;
        } else if (second == 2) {
            if (i + 1 >= count) return;
            x += data[i];
            r += data[i + 1];
            i += 2;
        } else {
            for (unsigned k = 0; k < second && i < count; ++k) put(data[i++]);
            if (second % 2) ++i;
        }
    }
}

}  // namespace

bool bmpDecode(const uint8_t* data, size_t size, Surface& picture) {
    picture = Surface();
    ByteReader in(data, size);
    const uint8_t* headers = in.take(kFileHeaderSize + kInfoHeaderSize);
    if (!headers) return false;
    const InfoHeader info = parseInfo(headers + kFileHeaderSize);
    const int bits = info.bitCount;
    const bool runLength = info.compression == kRunLength8;
    if (info.compression != kUncompressed && !(runLength && bits == 8)) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24) return false;
    if (info.width < 1 || info.height < 1 || info.width > Surface::kMaxSide ||
        info.height > Surface::kMaxSide)
        return false;

    Palette palette;
    if (bits <= 8) {
        if (!palette.read(in, info.coloursUsed ? info.coloursUsed : 1u << bits)) return false;
    } else if (!in.take(static_cast<size_t>(info.coloursUsed) * 4)) {
        return false;
    }
    // Uncompressed rows must all be there before memory is spent on them.
    if (!runLength && !in.has(rowBytes(bits, info.width) * static_cast<size_t>(info.height))) return false;

    Surface result(info.width, info.height);
    bool complete = true;
    if (runLength)
        decodeRunLength8(in, palette, result);
    else if (bits <= 8)
        complete = readIndexed(in, palette, bits, result);
    else if (bits == 16)
        complete = readRgb555(in, result);
    else
        complete = readRgb24(in, result);
    if (!complete) return false;
    picture = std::move(result);
    return true;
}

bool bmpLoad(const std::string& path, Surface& picture) {
    picture = Surface();
    std::ifstream file(platform::fileSystemPath(path), std::ios::binary);
    if (!file) return false;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return bmpDecode(bytes.data(), bytes.size(), picture);
}

}  // namespace tumbor::window
