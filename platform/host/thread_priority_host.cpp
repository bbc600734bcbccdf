// Raising priority needs privileges on Linux; the native build leaves it.
#include "platform/thread_priority.h"

namespace platform {

void raiseCurrentThreadPriority() {}

}  // namespace platform
