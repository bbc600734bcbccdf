// Reading the machine field of a Windows executable image.
#include "platform/pe_image.h"

namespace platform {
namespace {

constexpr std::size_t kSignatureOffsetField = 0x3C;  // e_lfanew of the MS-DOS header

std::uint32_t readLittleEndian(const unsigned char* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
    return value;
}

}  // namespace

std::uint16_t peImageMachine(const unsigned char* head, std::size_t size) {
    if (size < kSignatureOffsetField + 4 || head[0] != 'M' || head[1] != 'Z') return 0;
    const std::uint32_t signature = readLittleEndian(head + kSignatureOffsetField, 4);
    // The signature "PE\0\0", then the file header's two-byte machine field.
    if (signature > size || size - signature < 6) return 0;
    const unsigned char* pe = head + signature;
    if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) return 0;
    return static_cast<std::uint16_t>(readLittleEndian(pe + 4, 2));
}

}  // namespace platform
