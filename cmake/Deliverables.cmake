# Helpers that give the plug-in libraries their deliverable names.

# tumbor_plugin_library(<target> <file name> <Windows suffix> <export> sources...
#                       [OPTIONAL_EXPORT <name>]):
# a shared library named <file name><Windows suffix> on Windows (runtime
# linked statically, only the entry point <export> exported, and maybe the
# optional one, which each build checks) and <file name>.so natively.
function(tumbor_plugin_library target file_name windows_suffix export)
  cmake_parse_arguments(PLUGIN "" "OPTIONAL_EXPORT" "" ${ARGN})
  add_library(${target} SHARED ${PLUGIN_UNPARSED_ARGUMENTS})
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${file_name}
    PREFIX ""
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  if(TUMBOR_WIN32)
    set_target_properties(${target} PROPERTIES SUFFIX ${windows_suffix})
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DLIBRARY=$<TARGET_FILE:${target}> -DEXPORT=${export}
              -DOPTIONAL_EXPORT=${PLUGIN_OPTIONAL_EXPORT} -P ${PROJECT_SOURCE_DIR}/cmake/CheckExports.cmake
      VERBATIM)
  else()
    set_target_properties(${target} PROPERTIES SUFFIX ".so")
  endif()
endfunction()

# tumbor_stream_library(<target> <file name without extension> sources...)
# builds Strm_X.DLL on Windows (tumborGetStreamHeader exported, and
# tumborGetStreamExtension where the library offers it) and Strm_X.so natively.
function(tumbor_stream_library target file_name)
  tumbor_plugin_library(${target} ${file_name} ".DLL" tumborGetStreamHeader ${ARGN}
                        OPTIONAL_EXPORT tumborGetStreamExtension)
endfunction()

# tumbor_vis_plugin(<target> <file name without extension> sources...)
# builds a visualization plug-in: <name>.dll on Windows (winampVisGetHeader
# exported) and <name>.so natively.
function(tumbor_vis_plugin target file_name)
  tumbor_plugin_library(${target} ${file_name} ".dll" winampVisGetHeader ${ARGN})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/include)
endfunction()
