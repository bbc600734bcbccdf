// libFuzzer target: the CD module's track names, then a run of player calls,
// clock ticks and device failures against the simulated drive. The input is
// the name, a line break, and one byte per step.
#include <algorithm>
#include <string>

#include "platform/simulated_cd_drive.h"
#include "player/engine/module_loader.h"
#include "tests/unit/offered_name.h"

extern "C" StreamLibraryHeader* STREAM_CALL tumborGetStreamHeader(void);

namespace {

using platform::CdCommand;

void step(StreamModule& cd, uint8_t code) {
    platform::SimulatedCdDrive& drive = platform::simulatedCdDrive();
    int value = code >> 3;  // 0..31
    switch (code & 7) {
        case 0:
            drive.advance(static_cast<uint32_t>(value) * 1000);
            break;
        case 1:
            cd.seek(value * 97 - 100, value & 1);
            break;
        case 2:
            cd.getPosition();
            break;
        case 3:
            cd.decode(nullptr, 0);
            break;
        case 4:
            cd.notify(value % 6);
            break;
        case 5:
            drive.failNext(static_cast<CdCommand>(value % 9), platform::kCdNotReady);
            break;
        case 6:
            cd.getLength();
            break;
        case 7:
            cd.start();
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::SimulatedCdDrive& drive = platform::simulatedCdDrive();
    drive.reset();
    drive.insertDisc({4500, 300, 22500, 75, 1});

    const uint8_t* end = data + size;
    const uint8_t* lineEnd = std::find(data, end, '\n');
    std::string name(data, lineEnd);
    StreamModule& cd = *tumborGetStreamHeader()->getModule(0);
    if (tumbor::testing::offerName(cd, name.c_str()) && cd.start()) {
        for (const uint8_t* code = std::min(lineEnd + 1, end); code < end; ++code) step(cd, *code);
    }
    tumbor::unloadModule(cd);
    return 0;
}
