# Helpers that give the stream libraries their deliverable names.

# tumbor_stream_library(<target> <file name without extension> sources...)
# builds Strm_X.DLL on Windows (runtime linked statically, only
# tumborGetStreamHeader exported) and Strm_X.so natively.
function(tumbor_stream_library target file_name)
  add_library(${target} SHARED ${ARGN})
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${file_name}
    PREFIX ""
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  if(TUMBOR_WIN32)
    set_target_properties(${target} PROPERTIES SUFFIX ".DLL")
  else()
    set_target_properties(${target} PROPERTIES SUFFIX ".so")
  endif()
endfunction()

# tumbor_vis_plugin(<target> <file name without extension> sources...)
# builds a visualization plug-in: <name>.dll on Windows (runtime linked
# statically, only winampVisGetHeader exported) and <name>.so natively.
function(tumbor_vis_plugin target file_name)
  add_library(${target} SHARED ${ARGN})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/include)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${file_name}
    PREFIX ""
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  if(TUMBOR_WIN32)
    set_target_properties(${target} PROPERTIES SUFFIX ".dll")
  else()
    set_target_properties(${target} PROPERTIES SUFFIX ".so")
  endif()
endfunction()
