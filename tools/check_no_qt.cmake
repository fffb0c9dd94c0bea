# Fails when a program or any library it loads, directly or through another library,
# is a Qt library.
#   cmake -DPROGRAM=<path> -P tools/check_no_qt.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT PROGRAM OR NOT EXISTS "${PROGRAM}")
  message(FATAL_ERROR "PROGRAM must name a built program (got \"${PROGRAM}\")")
endif()
get_filename_component(program_dir "${PROGRAM}" DIRECTORY)
file(GET_RUNTIME_DEPENDENCIES
  EXECUTABLES "${PROGRAM}"
  DIRECTORIES "${program_dir}"
  RESOLVED_DEPENDENCIES_VAR resolved
  UNRESOLVED_DEPENDENCIES_VAR unresolved)
set(qt "")
foreach(library IN LISTS resolved unresolved)
  get_filename_component(name "${library}" NAME)
  if(name MATCHES "^libQt|^libqt|Qt[0-9]")
    list(APPEND qt "${library}")
  endif()
endforeach()
list(LENGTH resolved count)
if(qt)
  message(FATAL_ERROR "${PROGRAM} loads Qt: ${qt}")
endif()
if(count EQUAL 0)
  message(FATAL_ERROR "no libraries found for ${PROGRAM}: the check would prove nothing")
endif()
message(STATUS "${PROGRAM}: ${count} libraries, none of them Qt")
