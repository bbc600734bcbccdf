// The signature tests, each reading a few bytes at a fixed offset.
#include "libs/trk/model/format_detection.h"

#include <cstring>

namespace tumbor::trk {
namespace {

bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// "M.K.", "M!K!", "FLT4", a digit 1 .. 9 and "CHN", or two digits and "CH".
bool isModSignature(const uint8_t* s) {
    if (!std::memcmp(s, "M.K.", 4) || !std::memcmp(s, "M!K!", 4) || !std::memcmp(s, "FLT4", 4)) return true;
    if (s[0] >= '1' && s[0] <= '9' && !std::memcmp(s + 1, "CHN", 3)) return true;
    return isDigit(s[0]) && isDigit(s[1]) && s[2] == 'C' && s[3] == 'H';
}

struct Detector {
    SongFormat format;
    uint32_t offset;
    int size;
    bool (*matches)(const uint8_t* bytes);
};

const Detector kDetectors[] = {
    {SongFormat::s3m, 44, 4, [](const uint8_t* b) { return !std::memcmp(b, "SCRM", 4); }},
    {SongFormat::ptm, 44, 4, [](const uint8_t* b) { return !std::memcmp(b, "PTMF", 4); }},
    {SongFormat::xm, 0, 16, [](const uint8_t* b) { return !std::memcmp(b, "Extended Module:", 16); }},
    {SongFormat::mod, 1080, 4, isModSignature},
    {SongFormat::mtm, 0, 3, [](const uint8_t* b) { return !std::memcmp(b, "MTM", 3); }},
    {SongFormat::s669, 0, 2,
     [](const uint8_t* b) { return !std::memcmp(b, "if", 2) || !std::memcmp(b, "JN", 2); }},
    {SongFormat::mdl, 0, 4, [](const uint8_t* b) { return !std::memcmp(b, "DMDL", 4); }},
    {SongFormat::dsm, 0, 12,
     [](const uint8_t* b) { return !std::memcmp(b, "RIFF", 4) && !std::memcmp(b + 8, "DSMF", 4); }},
    {SongFormat::far, 0, 4, [](const uint8_t* b) { return !std::memcmp(b, "FAR", 3) && b[3] == 0xFE; }},
    {SongFormat::stm, 20, 8, [](const uint8_t* b) { return !std::memcmp(b, "!Scream!", 8); }},
    {SongFormat::dmf, 0, 5, [](const uint8_t* b) { return !std::memcmp(b, "DDMF", 4) && b[4] > 3; }},
    {SongFormat::it, 0, 4, [](const uint8_t* b) { return !std::memcmp(b, "IMPM", 4); }},
};

}  // namespace

SongFormat detectFormat(ModuleReader& reader) {
    for (const Detector& detector : kDetectors) {
        uint8_t bytes[16];
        // Each test stands alone: a failed read of one does not spoil the next.
        ModuleReader probe = reader;
        if (probe.seek(detector.offset) && probe.read(bytes, static_cast<size_t>(detector.size)) &&
            detector.matches(bytes))
            return detector.format;
    }
    return SongFormat::none;
}

}  // namespace tumbor::trk
