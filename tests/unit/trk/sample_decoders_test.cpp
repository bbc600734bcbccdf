// The packed and compressed sample decoders over bit streams written here bit
// by bit, least significant first, as the files store them.
#include "libs/trk/loaders/sample_decoders.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "libs/trk/loaders/module_reader.h"

namespace tumbor::trk {
namespace {

using Bytes = std::vector<uint8_t>;

class BitWriter {
public:
    BitWriter& put(uint32_t value, int count) {
        for (int i = 0; i < count; ++i) {
            if (bitCount_ % 8 == 0) bytes_.push_back(0);
            bytes_.back() |= static_cast<uint8_t>(((value >> i) & 1) << (bitCount_ % 8));
            ++bitCount_;
        }
        return *this;
    }
    BitWriter& repeat(uint32_t value, int count, int times) {
        for (int i = 0; i < times; ++i) put(value, count);
        return *this;
    }
    // Encoding-1 byte, short form: delta of 3 bits.
    BitWriter& mdlShort(int sign, uint32_t delta) { return put(sign, 1).put(1, 1).put(delta, 3); }
    // Long form: 8 + 16 per zero bit + 4 more bits.
    BitWriter& mdlLong(int sign, int zeros, uint32_t low) {
        return put(sign, 1).put(0, 1).put(0, zeros).put(1, 1).put(low, 4);
    }
    // A DMF tree node.
    BitWriter& node(uint32_t value, int left, int right) { return put(value, 7).put(left, 1).put(right, 1); }
    const Bytes& bytes() const { return bytes_; }

private:
    Bytes bytes_;
    size_t bitCount_ = 0;
};

void appendU32(Bytes& file, uint32_t value) {
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// The 32-bit count and the stream, as encodings 1 .. 3 store them.
Bytes packedFile(const Bytes& stream) {
    Bytes file;
    appendU32(file, static_cast<uint32_t>(stream.size()));
    file.insert(file.end(), stream.begin(), stream.end());
    return file;
}

void appendBlock(Bytes& file, const Bytes& block) {
    file.push_back(static_cast<uint8_t>(block.size()));
    file.push_back(static_cast<uint8_t>(block.size() >> 8));
    file.insert(file.end(), block.begin(), block.end());
}

// Decodes length bytes in chunks of chunk bytes, as the sample stage does.
Bytes decodePacked(const Bytes& file, SampleEncoding encoding, size_t length, size_t chunk = 8192) {
    MemoryByteSource source(file);
    ModuleReader reader(source);
    std::unique_ptr<SampleDecoder> decoder;
    EXPECT_EQ(startPackedDecoder(reader, encoding, static_cast<uint32_t>(length), decoder), DecoderStart::ok);
    Bytes out(length, 0xEE);
    if (!decoder) return out;
    for (size_t at = 0; at < length; at += chunk)
        decoder->decode(out.data() + at, std::min(chunk, length - at));
    return out;
}

Bytes decodeIt(const Bytes& file, SampleEncoding encoding, size_t length, size_t chunk = 8192) {
    MemoryByteSource source(file);
    ModuleReader reader(source);
    std::unique_ptr<SampleDecoder> decoder;
    EXPECT_EQ(startItDecoder(reader, encoding, static_cast<uint32_t>(length), decoder), DecoderStart::ok);
    EXPECT_TRUE(reader.ok());
    Bytes out(length, 0xEE);
    if (!decoder) return out;
    for (size_t at = 0; at < length; at += chunk)
        decoder->decode(out.data() + at, std::min(chunk, length - at));
    return out;
}

Bytes oneBlockIt(const BitWriter& bits) {
    Bytes file;
    appendBlock(file, bits.bytes());
    return file;
}

TEST(BitReaderTest, ReadsLowestBitsFirstAcrossWords) {
    BitReader bits(Bytes{0x78, 0x56, 0x34, 0x12, 0xCD, 0xAB});
    EXPECT_EQ(bits.read(4), 0x8u);
    EXPECT_EQ(bits.read(8), 0x67u);
    EXPECT_EQ(bits.read(32), 0xBCD12345u) << "a 32-bit read spanning two words";
    EXPECT_EQ(bits.read(0), 0u);
    EXPECT_EQ(bits.read(4), 0xAu);
    EXPECT_FALSE(bits.exhausted()) << "reading up to the last bit is not past the end";
    EXPECT_EQ(bits.read(1), 0u);
    EXPECT_TRUE(bits.exhausted());
}

TEST(BitReaderTest, BitsPastTheEndReadAsZero) {
    BitReader bits(Bytes{0xFF});
    EXPECT_EQ(bits.read(6), 63u);
    EXPECT_EQ(bits.read(4), 3u) << "the two bits left, then zeros";
    EXPECT_TRUE(bits.exhausted());
    EXPECT_EQ(bits.read(32), 0u);

    BitReader empty;
    EXPECT_EQ(empty.read(32), 0u);
    EXPECT_TRUE(empty.exhausted());
}

TEST(PackedDecoderTest, Encoding1ShortAndLongFormsAndSign) {
    BitWriter bits;
    bits.mdlShort(0, 5);      // +5 -> 5
    bits.mdlShort(1, 2);      // ~2 = -3 -> 2
    bits.mdlLong(0, 2, 3);    // 8 + 32 + 3 = 43 -> 45
    bits.mdlLong(1, 0, 0);    // ~8 = -9 -> 36
    bits.mdlLong(0, 15, 15);  // 8 + 240 + 15 = 263 -> wraps to 43
    EXPECT_EQ(decodePacked(packedFile(bits.bytes()), SampleEncoding::mdl8, 5), (Bytes{5, 2, 45, 36, 43}));
}

TEST(PackedDecoderTest, Encoding2PointsAreLowBytePlainHighByteCoded) {
    BitWriter bits;
    bits.put(0x34, 8).mdlShort(0, 7);    // point 0x0734
    bits.put(0xFE, 8).mdlShort(1, 0);    // high byte ~0 = -1 -> 6
    bits.put(0x01, 8).mdlLong(0, 1, 1);  // high byte + 25 -> 31
    const Bytes file = packedFile(bits.bytes());
    const Bytes expected{0x34, 7, 0xFE, 6, 0x01, 31};
    EXPECT_EQ(decodePacked(file, SampleEncoding::mdl16, 6), expected);
    EXPECT_EQ(decodePacked(file, SampleEncoding::mdl16, 6, 3), expected) << "a point split between chunks";
}

TEST(PackedDecoderTest, Encoding3WalksTheTreeReadFromTheStream) {
    BitWriter bits;
    bits.node(0, 1, 1);                  // 0: root
    bits.node(10, 0, 0);                 // 1: left leaf
    bits.node(20, 1, 0);                 // 2: right, with a left child only
    bits.node(30, 0, 0);                 // 3: its leaf
    bits.put(0, 1).put(0, 1);            // leaf 10 -> 10
    bits.put(0, 1).put(1, 1).put(0, 1);  // leaf 30 -> 40
    bits.put(1, 1).put(0, 1);            // 10 ^ 255 = 245 -> 29
    bits.put(0, 1).put(1, 1).put(1, 1);  // no right child: ends at node 2 -> 49
    EXPECT_EQ(decodePacked(packedFile(bits.bytes()), SampleEncoding::dmfTree, 4), (Bytes{10, 40, 29, 49}));
}

// A complete tree of 128 leaves has 255 nodes, the most a DMF tree needs.
void writeCompleteTree(BitWriter& bits, int depth, uint32_t leafValue) {
    if (depth == 0) {
        bits.node(leafValue, 0, 0);
        return;
    }
    bits.node(0, 1, 1);
    writeCompleteTree(bits, depth - 1, leafValue * 2);
    writeCompleteTree(bits, depth - 1, leafValue * 2 + 1);
}

TEST(PackedDecoderTest, Encoding3TakesAFullTree) {
    BitWriter bits;
    writeCompleteTree(bits, 7, 0);
    bits.put(0, 1).repeat(1, 1, 7);                      // leaf 127 -> 127
    bits.put(0, 1).put(1, 1).repeat(0, 1, 5).put(1, 1);  // leaf 65 -> 192
    EXPECT_EQ(decodePacked(packedFile(bits.bytes()), SampleEncoding::dmfTree, 2), (Bytes{127, 192}));
}

TEST(PackedDecoderTest, Encoding3TreeWithoutEndStopsAtItsLimit) {
    // Every node claims two children: the tree would never end.
    const Bytes file = packedFile(Bytes(1000, 0xFF));
    const Bytes out = decodePacked(file, SampleEncoding::dmfTree, 5000);
    // The root's right child was never read: each walk ends at the root (127).
    EXPECT_EQ(out[0], 128);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[2], 128);
}

TEST(PackedDecoderTest, ExhaustedStreamsKeepProducing) {
    const Bytes empty = packedFile({});
    // Zero bits forever: the long form's zero run stops at the end, v = 8.
    EXPECT_EQ(decodePacked(empty, SampleEncoding::mdl8, 4), (Bytes{8, 16, 24, 32}));
    EXPECT_EQ(decodePacked(empty, SampleEncoding::mdl16, 4), (Bytes{0, 8, 0, 16}));
    EXPECT_EQ(decodePacked(empty, SampleEncoding::dmfTree, 3), (Bytes{0, 0, 0}));

    // A run of zeros that reaches the end of a real stream.
    BitWriter bits;
    bits.mdlShort(0, 1).put(0, 1).put(0, 1).put(0, 20);
    // 25 zeros add 400; the read past the end adds nothing: 1 + 408 -> 153.
    EXPECT_EQ(decodePacked(packedFile(bits.bytes()), SampleEncoding::mdl8, 3), (Bytes{1, 153, 161}));
}

TEST(PackedDecoderTest, DeclaredCountBeyondTheFileIsASeekError) {
    Bytes file;
    appendU32(file, 100);
    file.resize(file.size() + 10, 0x55);
    for (SampleEncoding encoding : {SampleEncoding::mdl8, SampleEncoding::mdl16, SampleEncoding::dmfTree}) {
        MemoryByteSource source(file);
        ModuleReader reader(source);
        std::unique_ptr<SampleDecoder> decoder;
        EXPECT_EQ(startPackedDecoder(reader, encoding, 64, decoder), DecoderStart::seekError);
        EXPECT_EQ(decoder, nullptr);
    }

    // A count of 0xFFFFFFFF must not be allocated.
    Bytes huge;
    appendU32(huge, 0xFFFFFFFFu);
    MemoryByteSource hugeSource(huge);
    ModuleReader hugeReader(hugeSource);
    std::unique_ptr<SampleDecoder> decoder;
    EXPECT_EQ(startPackedDecoder(hugeReader, SampleEncoding::mdl8, 64, decoder), DecoderStart::seekError);

    const Bytes noCount{1, 2};
    MemoryByteSource shortSource(noCount);
    ModuleReader shortReader(shortSource);
    EXPECT_EQ(startPackedDecoder(shortReader, SampleEncoding::mdl8, 64, decoder), DecoderStart::seekError);
}

TEST(PackedDecoderTest, LeavesTheReaderAfterTheStream) {
    Bytes file = packedFile(Bytes{1, 2, 3});
    file.push_back(0xAB);
    MemoryByteSource source(file);
    ModuleReader reader(source);
    std::unique_ptr<SampleDecoder> decoder;
    ASSERT_EQ(startPackedDecoder(reader, SampleEncoding::mdl8, 4, decoder), DecoderStart::ok);
    EXPECT_EQ(reader.u8(), 0xAB);
}

TEST(ItDecoderTest, First9BitCode256Plus5SwitchesToWidth6) {
    BitWriter bits;
    bits.put(256 + 5, 9);  // width 6, no point
    bits.put(3, 6);        // +3
    bits.put(62, 6);       // -2
    EXPECT_EQ(decodeIt(oneBlockIt(bits), SampleEncoding::it8, 2), (Bytes{3, 1}));
}

TEST(ItDecoderTest, NarrowWidthsChangeAndSignExtend8Bit) {
    BitWriter bits;
    bits.put(256 + 2, 9);      // width 3
    bits.put(7, 3);            // -1 -> 255
    bits.put(5, 3);            // -3 -> 252
    bits.put(4, 3).put(0, 3);  // w = 1 < 3: width 1
    bits.put(0, 1);            // +0 -> 252
    bits.put(1, 1).put(1, 3);  // w = 2 >= 1: width 3
    bits.put(3, 3);            // +3 -> 255
    EXPECT_EQ(decodeIt(oneBlockIt(bits), SampleEncoding::it8, 4), (Bytes{255, 252, 252, 255}));
}

TEST(ItDecoderTest, Widths7And8ChangeOnlyInTheirRange) {
    BitWriter bits;
    bits.put(256 + 6, 9);      // width 7: b = 59
    bits.put(59, 7);           // just below the range: +59 -> 59
    bits.put(68, 7);           // just above: 68 - 128 = -60 -> 255
    bits.put(62, 7);           // w = 3: width 3
    bits.put(2, 3);            // +2 -> 1
    bits.put(4, 3).put(6, 3);  // w = 7 >= 3: width 8, b = 123
    bits.put(200, 8);          // +200 -> 201
    bits.put(131, 8);          // w = 8 >= 8: width 9
    bits.put(255, 9);          // +255 -> 200
    bits.put(256 + 8, 9);      // width 9 again
    bits.put(7, 9);            // -> 207
    EXPECT_EQ(decodeIt(oneBlockIt(bits), SampleEncoding::it8, 6), (Bytes{59, 255, 1, 201, 200, 207}));
}

TEST(ItDecoderTest, BlocksRestartWidthAndRunningValue) {
    Bytes file;
    BitWriter first;
    first.put(256 + 2, 9).put(2, 3).repeat(1, 3, 32767);
    first.repeat(1, 3, 10);  // beyond the block's 32768 points
    appendBlock(file, first.bytes());
    BitWriter second;
    second.put(5, 9);
    appendBlock(file, second.bytes());

    const Bytes out = decodeIt(file, SampleEncoding::it8, 32769);
    EXPECT_EQ(out[0], 2);
    EXPECT_EQ(out[32767], (32767 + 2) & 255);
    EXPECT_EQ(out[32768], 5) << "a new block reads 9 bits from a running value of 0";
}

TEST(ItDecoderTest, OversizedWidthLeavesTheRestOfTheBlockZero) {
    Bytes file;
    BitWriter first;
    first.put(5, 9).put(256 + 20, 9).repeat(1, 9, 8);
    appendBlock(file, first.bytes());
    BitWriter second;
    second.put(9, 9);
    appendBlock(file, second.bytes());

    const Bytes out = decodeIt(file, SampleEncoding::it8, 32769);
    EXPECT_EQ(out[0], 5);
    EXPECT_EQ(Bytes(out.begin() + 1, out.begin() + 32768), Bytes(32767, 0));
    EXPECT_EQ(out[32768], 9);
}

TEST(ItDecoderTest, BitsEndAtTheBlock) {
    Bytes file;
    appendBlock(file, Bytes{5});  // 9-bit reads take zeros after the byte
    appendBlock(file, Bytes{0xFF, 0x00});
    const Bytes out = decodeIt(file, SampleEncoding::it8, 32770);
    EXPECT_EQ(out[0], 5);
    EXPECT_EQ(out[1], 5);
    EXPECT_EQ(out[32767], 5);
    EXPECT_EQ(out[32768], 255);
}

TEST(ItDecoderTest, BlocksTheFileLacksLeaveZeroPoints) {
    BitWriter bits;
    bits.repeat(1, 9, 40000);
    Bytes file;
    appendBlock(file, bits.bytes());
    file.push_back(0x10);  // half a block count
    const Bytes out = decodeIt(file, SampleEncoding::it8, 32770);
    EXPECT_EQ(out[32767], 0);  // 32768 & 255
    EXPECT_EQ(out[32766], 255);
    EXPECT_EQ(out[32768], 0);
    EXPECT_EQ(out[32769], 0);

    // A block that claims more bytes than the file holds.
    Bytes cut{100, 0, 7, 0, 0};
    EXPECT_EQ(decodeIt(cut, SampleEncoding::it8, 3), Bytes(3, 0));
    EXPECT_EQ(decodeIt(Bytes{}, SampleEncoding::it16, 4), Bytes(4, 0));
}

TEST(ItDecoderTest, SixteenBitWidthsAndLittleEndianPoints) {
    BitWriter bits;
    bits.put(65536 + 7, 17);    // width 8: b = 119
    bits.put(0xFF, 8);          // -1 -> 0xFFFF
    bits.put(131, 8);           // w = 12 >= 8: width 13, b = 4087
    bits.put(1000, 13);         // -> 999
    bits.put(4091, 13);         // w = 4: width 4
    bits.put(8, 4).put(15, 4);  // 4 bits give w = 16: width 17
    bits.put(0x1234, 17);       // -> 0x161B
    bits.put(65536 + 255, 17);  // width 256: the rest stays zero
    bits.put(1, 17);
    const Bytes expected{0xFF, 0xFF, 0xE7, 0x03, 0x1B, 0x16, 0, 0};
    EXPECT_EQ(decodeIt(oneBlockIt(bits), SampleEncoding::it16, 8), expected);
    EXPECT_EQ(decodeIt(oneBlockIt(bits), SampleEncoding::it16, 8, 3), expected) << "odd chunks";
}

TEST(ItDecoderTest, SixteenBitNarrowWidthsSignExtend) {
    BitWriter bits;
    bits.put(65536 + 5, 17);     // width 6
    bits.put(63, 6);             // -1 -> 0xFFFF
    bits.put(32, 6).put(13, 4);  // w = 14 >= 6: width 15, b = 16375
    bits.put(0x7FFE, 15);        // -2 -> 0xFFFD
    bits.put(16375 + 16, 15);    // w = 16 >= 15: width 17
    bits.put(0x10, 17);          // -> 0x000D
    const Bytes expected{0xFF, 0xFF, 0xFD, 0xFF, 0x0D, 0x00, 0};
    EXPECT_EQ(decodeIt(oneBlockIt(bits), SampleEncoding::it16, 7), expected) << "an odd length's last byte";
}

TEST(ItDecoderTest, SixteenBitBlocksHold16384Points) {
    Bytes file;
    BitWriter first;
    first.repeat(1, 17, 16385);
    appendBlock(file, first.bytes());
    BitWriter second;
    second.put(2, 17);
    appendBlock(file, second.bytes());

    const Bytes out = decodeIt(file, SampleEncoding::it16, 2 * 16385);
    EXPECT_EQ(out[2 * 16383], 0x00);
    EXPECT_EQ(out[2 * 16383 + 1], 0x40);
    EXPECT_EQ(out[2 * 16384], 2);
    EXPECT_EQ(out[2 * 16384 + 1], 0);
}

}  // namespace
}  // namespace tumbor::trk
