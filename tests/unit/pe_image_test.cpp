// Reading the machine a Windows image is built for, from its first bytes.
#include "platform/pe_image.h"

#include <gtest/gtest.h>

#include <vector>

namespace platform {
namespace {

// An MS-DOS header pointing at "PE\0\0" and a file header with the machine.
std::vector<unsigned char> image(std::uint32_t signatureOffset, std::uint16_t machine) {
    std::vector<unsigned char> bytes(signatureOffset + 24, 0);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    for (int i = 0; i < 4; ++i) bytes[0x3C + i] = static_cast<unsigned char>(signatureOffset >> (8 * i));
    bytes[signatureOffset] = 'P';
    bytes[signatureOffset + 1] = 'E';
    bytes[signatureOffset + 4] = static_cast<unsigned char>(machine);
    bytes[signatureOffset + 5] = static_cast<unsigned char>(machine >> 8);
    return bytes;
}

TEST(PeImageTest, ReadsTheMachineOrZero) {
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        std::size_t size;  // of the bytes given; 0: all of them
        std::uint16_t machine;
    };
    std::vector<unsigned char> noMz = image(0x80, kPeMachineI386);
    noMz[1] = 'X';
    std::vector<unsigned char> noPe = image(0x80, kPeMachineI386);
    noPe[0x81] = 'X';
    std::vector<unsigned char> farOffset = image(0x80, kPeMachineI386);
    farOffset[0x3F] = 0xFF;  // the signature's offset far past the bytes
    const Case cases[] = {
        {"32-bit", image(0x80, kPeMachineI386), 0, kPeMachineI386},
        {"64-bit", image(0xE8, kPeMachineAmd64), 0, kPeMachineAmd64},
        {"signature right after the offset field", image(0x40, kPeMachineAmd64), 0, kPeMachineAmd64},
        {"machine cut off", image(0x80, kPeMachineI386), 0x85, 0},
        {"no MS-DOS header", noMz, 0, 0},
        {"no PE signature", noPe, 0, 0},
        {"signature outside the bytes", farOffset, 0, 0},
        {"too short for the offset field", image(0x80, kPeMachineI386), 0x3F, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(peImageMachine(c.bytes.data(), c.size ? c.size : c.bytes.size()), c.machine) << c.what;
}

}  // namespace
}  // namespace platform
