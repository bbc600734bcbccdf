# libmpg123, the MPEG audio decoder behind STRM_MPA, as the target tb_mpg123.
# Natively it is Debian's libmpg123-dev; for Windows it is the static library
# that scripts/build-mpg123-windows.sh cross-builds into the build tree.
if(TUMBOR_WIN32)
  set(TUMBOR_MPG123_DIR ${CMAKE_BINARY_DIR}/deps/mpg123)
  if(NOT EXISTS ${TUMBOR_MPG123_DIR}/lib/libmpg123.a)
    message(STATUS "Cross-building libmpg123 into ${TUMBOR_MPG123_DIR}")
    execute_process(
      COMMAND ${PROJECT_SOURCE_DIR}/scripts/build-mpg123-windows.sh ${TUMBOR_MINGW_TRIPLET} ${TUMBOR_MPG123_DIR}
      RESULT_VARIABLE mpg123_result)
    if(NOT mpg123_result EQUAL 0)
      message(FATAL_ERROR "Could not cross-build libmpg123 (scripts/build-mpg123-windows.sh)")
    endif()
  endif()
  add_library(tb_mpg123 STATIC IMPORTED)
  set_target_properties(tb_mpg123 PROPERTIES
    IMPORTED_LOCATION ${TUMBOR_MPG123_DIR}/lib/libmpg123.a
    INTERFACE_INCLUDE_DIRECTORIES ${TUMBOR_MPG123_DIR}/include
    INTERFACE_LINK_LIBRARIES shlwapi)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(MPG123 REQUIRED IMPORTED_TARGET libmpg123)
  add_library(tb_mpg123 INTERFACE)
  target_link_libraries(tb_mpg123 INTERFACE PkgConfig::MPG123)
endif()
