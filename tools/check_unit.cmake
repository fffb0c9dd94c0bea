# Checks a systemd unit with systemd-analyze verify, its program paths under
# /opt/raidmon/bin/ pointed at the built program directory.
#   cmake -DUNIT=<unit file> -DBIN_DIR=<program directory> -DWORK_DIR=<scratch> -P tools/check_unit.cmake
# Exits with 77 (skipped) where systemd-analyze is not installed.
cmake_minimum_required(VERSION 3.25)
find_program(analyze systemd-analyze)
if(NOT analyze)
  message(NOTICE "systemd-analyze not found: the unit is not checked")
  cmake_language(EXIT 77)
endif()
file(READ "${UNIT}" text)
string(REPLACE "/opt/raidmon/bin/" "${BIN_DIR}/" text "${text}")
get_filename_component(name "${UNIT}" NAME)
file(MAKE_DIRECTORY "${WORK_DIR}")
file(WRITE "${WORK_DIR}/${name}" "${text}")
execute_process(COMMAND "${analyze}" verify "${WORK_DIR}/${name}"
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT result EQUAL 0 OR out MATCHES "${name}")
  message(FATAL_ERROR "systemd-analyze verify ${name}:\n${out}")
endif()
message(STATUS "${name} verified")
