// Raising the priority of a thread that must keep ahead of the sound device.
#pragma once

namespace platform {

// Gives the calling thread above-normal priority where the system allows it.
void raiseCurrentThreadPriority();

}  // namespace platform
