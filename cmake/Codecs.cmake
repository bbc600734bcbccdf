# The codec libraries behind Strm_FLC and Strm_OGG, as the targets tb_libflac
# (libFLAC with libogg), tb_vorbisfile (libvorbisfile, libvorbis, libogg) and
# tb_opusfile (libopusfile, libopus, libogg). Natively they are Debian's -dev
# packages; for Windows they are the static libraries that
# scripts/build-codecs-windows.sh cross-builds into the build tree.
if(TUMBOR_WIN32)
  set(TUMBOR_CODECS_DIR ${CMAKE_BINARY_DIR}/deps)
  set(codec_archives ogg/lib/libogg.a flac/lib/libFLAC.a vorbis/lib/libvorbis.a vorbis/lib/libvorbisfile.a
      opus/lib/libopus.a opusfile/lib/libopusfile.a)
  set(codecs_missing OFF)
  foreach(archive ${codec_archives})
    if(NOT EXISTS ${TUMBOR_CODECS_DIR}/${archive})
      set(codecs_missing ON)
    endif()
  endforeach()
  if(codecs_missing)
    message(STATUS "Cross-building the codec libraries into ${TUMBOR_CODECS_DIR}")
    execute_process(
      COMMAND ${PROJECT_SOURCE_DIR}/scripts/build-codecs-windows.sh ${TUMBOR_MINGW_TRIPLET} ${TUMBOR_CODECS_DIR}
      RESULT_VARIABLE codecs_result)
    if(NOT codecs_result EQUAL 0)
      message(FATAL_ERROR "Could not cross-build the codec libraries (scripts/build-codecs-windows.sh)")
    endif()
  endif()

  # tumbor_codec_archive(<target> <folder> <archive> [libraries it needs...])
  function(tumbor_codec_archive target folder archive)
    add_library(${target} STATIC IMPORTED)
    set_target_properties(${target} PROPERTIES
      IMPORTED_LOCATION ${TUMBOR_CODECS_DIR}/${folder}/lib/${archive}
      INTERFACE_INCLUDE_DIRECTORIES ${TUMBOR_CODECS_DIR}/${folder}/include
      INTERFACE_LINK_LIBRARIES "${ARGN}")
  endfunction()
  tumbor_codec_archive(tb_codec_ogg ogg libogg.a)
  tumbor_codec_archive(tb_libflac flac libFLAC.a tb_codec_ogg)
  # The headers declare the functions for a DLL unless told the library is static.
  set_property(TARGET tb_libflac PROPERTY INTERFACE_COMPILE_DEFINITIONS FLAC__NO_DLL)
  tumbor_codec_archive(tb_codec_vorbis vorbis libvorbis.a tb_codec_ogg)
  tumbor_codec_archive(tb_vorbisfile vorbis libvorbisfile.a tb_codec_vorbis)
  tumbor_codec_archive(tb_codec_opus opus libopus.a)
  # opusfile.h includes opus's headers by their bare names.
  set_property(TARGET tb_codec_opus PROPERTY INTERFACE_INCLUDE_DIRECTORIES ${TUMBOR_CODECS_DIR}/opus/include/opus)
  tumbor_codec_archive(tb_opusfile opusfile libopusfile.a tb_codec_opus tb_codec_ogg)
  set_property(TARGET tb_opusfile PROPERTY INTERFACE_INCLUDE_DIRECTORIES ${TUMBOR_CODECS_DIR}/opusfile/include/opus)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(FLAC REQUIRED IMPORTED_TARGET flac)
  pkg_check_modules(VORBISFILE REQUIRED IMPORTED_TARGET vorbisfile vorbis)
  pkg_check_modules(OPUSFILE REQUIRED IMPORTED_TARGET opusfile opus)
  add_library(tb_libflac INTERFACE)
  target_link_libraries(tb_libflac INTERFACE PkgConfig::FLAC)
  add_library(tb_vorbisfile INTERFACE)
  target_link_libraries(tb_vorbisfile INTERFACE PkgConfig::VORBISFILE)
  add_library(tb_opusfile INTERFACE)
  target_link_libraries(tb_opusfile INTERFACE PkgConfig::OPUSFILE)
endif()
