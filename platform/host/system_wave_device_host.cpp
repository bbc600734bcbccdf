// The native build has no sound device of its own: its players play into a
// simulated device, as fast as it takes the buffers.
#include "platform/simulated_wave_device.h"

namespace platform {

std::unique_ptr<WaveDevice> createSystemWaveDevice() {
    return std::make_unique<SimulatedWaveDevice>(SimulatedWaveDevice::Pacing::fast);
}

}  // namespace platform

namespace platform {

// The simulated device is the only one: the list of named devices is empty.
std::vector<std::string> waveOutputDeviceNames() { return {}; }

}  // namespace platform
