# zlib and its minizip, the zip archive reader behind .wsz skins, as the
# target tb_minizip. Natively they are Debian's zlib1g-dev and libminizip-dev;
# for Windows zlib is Debian's libz-mingw-w64-dev and minizip the static library
# that scripts/build-minizip-windows.sh cross-builds into the build tree.
if(TUMBOR_WIN32)
  find_library(TUMBOR_ZLIB_STATIC NAMES libz.a)
  if(NOT TUMBOR_ZLIB_STATIC)
    message(FATAL_ERROR "zlib for mingw-w64 is missing: install libz-mingw-w64-dev (scripts/install-deps.sh)")
  endif()
  set(TUMBOR_MINIZIP_DIR ${CMAKE_BINARY_DIR}/deps/minizip)
  if(NOT EXISTS ${TUMBOR_MINIZIP_DIR}/lib/libminizip.a)
    message(STATUS "Cross-building minizip into ${TUMBOR_MINIZIP_DIR}")
    execute_process(
      COMMAND ${PROJECT_SOURCE_DIR}/scripts/build-minizip-windows.sh ${TUMBOR_MINGW_TRIPLET} ${TUMBOR_MINIZIP_DIR}
      RESULT_VARIABLE minizip_result)
    if(NOT minizip_result EQUAL 0)
      message(FATAL_ERROR "Could not cross-build minizip (scripts/build-minizip-windows.sh)")
    endif()
  endif()
  add_library(tb_minizip STATIC IMPORTED)
  set_target_properties(tb_minizip PROPERTIES
    IMPORTED_LOCATION ${TUMBOR_MINIZIP_DIR}/lib/libminizip.a
    INTERFACE_INCLUDE_DIRECTORIES ${TUMBOR_MINIZIP_DIR}/include
    INTERFACE_LINK_LIBRARIES ${TUMBOR_ZLIB_STATIC})
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip zlib)
  add_library(tb_minizip INTERFACE)
  target_link_libraries(tb_minizip INTERFACE PkgConfig::MINIZIP)
endif()
