# The cross build for Windows with mingw-w64, shared by the 32-bit and 64-bit
# toolchain files, which set TUMBOR_MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR.
# The -posix compilers have std::thread; -static puts the C and C++ runtimes
# inside every EXE and DLL.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TUMBOR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TUMBOR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TUMBOR_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TUMBOR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
# ctest runs the Windows test programs through Wine: scripts/with-wine.sh puts
# the loader for the build's word size first on the PATH under this name.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env WINEDEBUG=-all wine)
