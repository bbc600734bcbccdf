// A skin archive (".wsz": a zip file) in memory, read through zlib's minizip.
// Pictures are found by name without regard to case in any folder of the
// archive; member names are only compared, never used as paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "player/window/skin_source.h"

namespace tumbor::window {

class SkinArchive : public SkinSource {
public:
    // A member that unpacks to more than this is refused: a skin picture is
    // far smaller, and the archive could otherwise ask for any amount of memory.
    static constexpr size_t kMaxMemberBytes = size_t{16} << 20;
    // Members beyond this many are not looked at.
    static constexpr size_t kMaxMembers = 65536;

    // Null when bytes hold no zip archive minizip can open.
    static std::unique_ptr<SkinArchive> open(std::vector<uint8_t> bytes);
    ~SkinArchive() override;
    SkinArchive(const SkinArchive&) = delete;
    SkinArchive& operator=(const SkinArchive&) = delete;

    // The member whose last name part equals name, ignoring case; of several,
    // the one in the fewest folders, then the first. False when there is none
    // or it is encrypted, too big, damaged or fails its CRC check.
    bool read(const std::string& name, std::vector<uint8_t>& bytes) override;

private:
    struct Impl;
    explicit SkinArchive(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace tumbor::window
