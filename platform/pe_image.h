// The machine a Windows executable image (an EXE or a DLL) is built for, read
// from its headers: the MS-DOS header's offset of the PE signature, and after
// the signature the COFF file header, whose first field names the machine.
// Portable, so that the native tests and the fuzzer check the reading.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

constexpr std::uint16_t kPeMachineI386 = 0x014C;
constexpr std::uint16_t kPeMachineAmd64 = 0x8664;

// The first bytes of a file worth reading for peImageMachine: every linker in
// use puts the PE signature well inside them.
constexpr std::size_t kPeHeadBytes = 4096;

// The machine field of the image whose first bytes are given, or 0 when they
// do not hold an MS-DOS header, the PE signature and a file header. Reads
// nothing outside the bytes given.
std::uint16_t peImageMachine(const unsigned char* head, std::size_t size);

}  // namespace platform
