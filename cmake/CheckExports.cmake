# Run as a script (cmake -P) after a plug-in library is linked for Windows:
# the library's export table must name exactly EXPORT (and OPTIONAL_EXPORT,
# when given, may stand beside it), undecorated, since the
# player finds it by that name (a 32-bit __stdcall function would be
# exported as "name@N"). Checked as the library is built, so that a build
# this machine cannot run is still checked.
#   cmake -DOBJDUMP=... -DLIBRARY=... -DEXPORT=... [-DOPTIONAL_EXPORT=...] -P CheckExports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} could not read ${LIBRARY}")
endif()
# The table's lines after its title: "\t[   0] name".
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)*" table "${dump}")
string(REGEX MATCHALL "\t\\[ *[0-9]+\\] [^\n]+" entries "${table}")
list(TRANSFORM entries REPLACE "^\t\\[ *[0-9]+\\] " "")
if(OPTIONAL_EXPORT)
  list(REMOVE_ITEM entries "${OPTIONAL_EXPORT}")
endif()
if(NOT "${entries}" STREQUAL "${EXPORT}")
  message(FATAL_ERROR "${LIBRARY} exports \"${entries}\"; it must export only ${EXPORT}")
endif()
