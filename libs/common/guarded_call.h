// Entry points of a stream library call C++ code; an exception must never
// travel back to the player through the C contract, so each entry point runs
// its body through guardedCall and answers the failure value instead.
#pragma once

namespace tumbor {

template <typename Body>
int guardedCall(int failureValue, Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return failureValue;
    }
}

}  // namespace tumbor
