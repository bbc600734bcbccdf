# Cross build for 64-bit Windows (x64), from the same sources as the 32-bit one.
set(TUMBOR_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
