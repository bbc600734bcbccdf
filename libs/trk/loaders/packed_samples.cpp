// MDL's bit-packed samples (encodings 1 and 2) and DMF's tree-coded samples
// (encoding 3), decoded byte by byte from a stream held in memory.
#include <new>
#include <utility>

#include "libs/trk/loaders/sample_decoders.h"

namespace tumbor::trk {
namespace {

// One encoding-1 byte: a sign bit, then a short 3-bit delta or a long form
// of 8 + 16 per leading zero bit + 4 more bits.
uint8_t decodeMdlByte(BitReader& bits, uint8_t& running) {
    const uint32_t sign = bits.read(1);
    uint32_t value;
    if (bits.read(1) != 0) {
        value = bits.read(3);
    } else {
        value = 8;
        // A run of zero bits past the end of the stream would never stop.
        while (bits.read(1) == 0 && !bits.exhausted()) value += 16;
        value += bits.read(4);
    }
    if (sign != 0) value = ~value;
    running = static_cast<uint8_t>((running + value) & 255);
    return running;
}

class Mdl8Decoder final : public SampleDecoder {
public:
    explicit Mdl8Decoder(BitReader bits) : bits_(std::move(bits)) {}
    void decode(uint8_t* out, size_t count) override {
        for (size_t i = 0; i < count; ++i) out[i] = decodeMdlByte(bits_, running_);
    }

private:
    BitReader bits_;
    uint8_t running_ = 0;
};

// Points low byte first: the low byte as 8 plain bits, the high byte as an
// encoding-1 byte. Going byte by byte keeps a point split across two chunks
// whole.
class Mdl16Decoder final : public SampleDecoder {
public:
    explicit Mdl16Decoder(BitReader bits) : bits_(std::move(bits)) {}
    void decode(uint8_t* out, size_t count) override {
        for (size_t i = 0; i < count; ++i) {
            out[i] = highNext_ ? decodeMdlByte(bits_, runningHigh_) : static_cast<uint8_t>(bits_.read(8));
            highNext_ = !highNext_;
        }
    }

private:
    BitReader bits_;
    uint8_t runningHigh_ = 0;
    bool highNext_ = false;
};

// DMF trees hold 7-bit values, so 255 nodes make a full tree; a stream that
// describes more is damaged and its tree stops there.
constexpr size_t kMaxTreeNodes = 256;
constexpr int kNoChild = -1;

struct TreeNode {
    uint8_t value = 0;
    int left = kNoChild;
    int right = kNoChild;
};

class DmfTreeDecoder final : public SampleDecoder {
public:
    explicit DmfTreeDecoder(BitReader bits) : bits_(std::move(bits)) {
        nodes_.reserve(kMaxTreeNodes);
        readNode();
    }
    void decode(uint8_t* out, size_t count) override {
        for (size_t i = 0; i < count; ++i) {
            const uint32_t sign = bits_.read(1);
            uint8_t value = leafValue();
            if (sign != 0) value ^= 255;
            running_ = static_cast<uint8_t>((running_ + value) & 255);
            out[i] = running_;
        }
    }

private:
    // Reads a node and its subtrees (left, then right) in stream order; the
    // recursion is as deep as the node limit at most.
    int readNode() {
        if (nodes_.size() >= kMaxTreeNodes) return kNoChild;
        const int index = static_cast<int>(nodes_.size());
        nodes_.push_back(TreeNode{static_cast<uint8_t>(bits_.read(7))});
        const bool hasLeft = bits_.read(1) != 0;
        const bool hasRight = bits_.read(1) != 0;
        if (hasLeft) {
            const int child = readNode();
            nodes_[index].left = child;
        }
        if (hasRight) {
            const int child = readNode();
            nodes_[index].right = child;
        }
        return index;
    }

    // Children always come after their parent, so the walk ends; a child the
    // tree lost to its limit ends it at the node reached.
    uint8_t leafValue() {
        int at = 0;
        for (;;) {
            const TreeNode& node = nodes_[at];
            if (node.left == kNoChild && node.right == kNoChild) return node.value;
            const int next = bits_.read(1) != 0 ? node.right : node.left;
            if (next == kNoChild) return node.value;
            at = next;
        }
    }

    BitReader bits_;
    std::vector<TreeNode> nodes_;
    uint8_t running_ = 0;
};

// Encodings the packed stage does not know give silence.
class SilentDecoder final : public SampleDecoder {
public:
    void decode(uint8_t* out, size_t count) override {
        for (size_t i = 0; i < count; ++i) out[i] = 0;
    }
};

}  // namespace

DecoderStart startPackedDecoder(ModuleReader& reader, SampleEncoding encoding, uint32_t /*byteLength*/,
                                std::unique_ptr<SampleDecoder>& decoder) {
    decoder.reset();
    try {
        if (encoding != SampleEncoding::mdl8 && encoding != SampleEncoding::mdl16 &&
            encoding != SampleEncoding::dmfTree) {
            decoder = std::make_unique<SilentDecoder>();
            return DecoderStart::ok;
        }
        // The count is checked against the file before anything is allocated.
        if (reader.remaining() < 4) return DecoderStart::seekError;
        const uint32_t streamBytes = reader.u32le();
        if (!reader.ok() || streamBytes > reader.remaining()) return DecoderStart::seekError;
        std::vector<uint8_t> stream(streamBytes);
        if (!reader.read(stream.data(), stream.size())) return DecoderStart::seekError;

        BitReader bits(std::move(stream));
        if (encoding == SampleEncoding::mdl8) {
            decoder = std::make_unique<Mdl8Decoder>(std::move(bits));
        } else if (encoding == SampleEncoding::mdl16) {
            decoder = std::make_unique<Mdl16Decoder>(std::move(bits));
        } else {
            decoder = std::make_unique<DmfTreeDecoder>(std::move(bits));
        }
        return DecoderStart::ok;
    } catch (const std::bad_alloc&) {
        decoder.reset();
        return DecoderStart::outOfMemory;
    }
}

}  // namespace tumbor::trk
