# raidmond.exe under Wine on a demo scenario: it must end normally, write the same
# transcript as the Linux raidmond on the same scenario (the time column aside), and
# put every event row into the event log with its severity (Wine's event log writes
# each record to its debug channel "eventlog": errors as err, warnings as warn, the
# rest as trace).
#   cmake -DEMULATOR=wine -DPROGRAM=<raidmond.exe> -DSCENARIO=<file.scn> -DWORK_DIR=<dir>
#         [-DLINUX_PROGRAM=<Linux raidmond>] -P tools/check_windows_raidmond.cmake
# Without LINUX_PROGRAM the transcripts are not compared (said so, not failed).
cmake_minimum_required(VERSION 3.25)
foreach(v EMULATOR PROGRAM SCENARIO WORK_DIR)
  if(NOT ${v})
    message(FATAL_ERROR "${v} is required")
  endif()
endforeach()
set(run_args --loop-time=20 --quit-after=8000)
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

# A path as the Windows program sees it: Wine's Z: drive is the root.
function(windows_path out path)
  string(REPLACE "/" "\\" p "${path}")
  set(${out} "Z:${p}" PARENT_SCOPE)
endfunction()
windows_path(win_scenario "${SCENARIO}")
windows_path(win_transcript "${WORK_DIR}/windows.txt")

execute_process(
  COMMAND ${CMAKE_COMMAND} -E env WINEDEBUG=-all,+eventlog
          ${EMULATOR} "${PROGRAM}" --emulate=${win_scenario} --transcript=${win_transcript} ${run_args}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 120)
file(WRITE "${WORK_DIR}/windows-stdout.txt" "${out}")
file(WRITE "${WORK_DIR}/windows-stderr.txt" "${err}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "raidmond.exe ended with ${rc}:\n${err}")
endif()

# Lines of a transcript without their first (time) column.
function(untimed out file)
  file(STRINGS "${file}" lines)
  set(result "")
  foreach(line IN LISTS lines)
    # (REGEX REPLACE would apply "^" again after each match and eat the next column.)
    if(line MATCHES "^[^\t]*\t(.*)$")
      set(line "${CMAKE_MATCH_1}")
    endif()
    string(APPEND result "${line}\n")
  endforeach()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()
untimed(windows "${WORK_DIR}/windows.txt")
string(REGEX MATCHALL "(^|\n)row\t" rows "${windows}")
list(LENGTH rows row_count)
if(row_count EQUAL 0)
  message(FATAL_ERROR "raidmond.exe's transcript has no event rows:\n${windows}")
endif()

# Every row of standard output is one event-log record, with its severity.
string(REPLACE "\r\n" "\n" out "${out}")
string(REPLACE ";" "," out "${out}")
string(REPLACE "\n" ";" out_lines "${out}")
set(records 0)
foreach(line IN LISTS out_lines)
  if(line MATCHES "^[^\t]*\trow\t([^\t]*)\t([^\t]*)")
    set(location "${CMAKE_MATCH_1}")
    set(event "${CMAKE_MATCH_2}")
    set(level trace)
    # The grid's own texts: "Diconnected" (sic) for a drive gone, "51 ERROR " for a
    # failed plug; outcomes that failed say "Fail".
    if(event STREQUAL "Diconnected")
      set(level warn)
    elseif(event MATCHES "Fail|ERROR")
      set(level err)
    endif()
    set(record "${event}")
    if(location)
      set(record "${location}: ${event}")
    endif()
    string(FIND "${err}" "${level}:eventlog:ReportEventW L\"${record}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "no ${level} event-log record for the row \"${record}\":\n${err}")
    endif()
    math(EXPR records "${records} + 1")
  endif()
endforeach()

if(NOT LINUX_PROGRAM)
  message(STATUS "${row_count} rows, ${records} event-log records; no Linux raidmond given, transcripts not compared")
  return()
endif()
execute_process(
  COMMAND "${LINUX_PROGRAM}" --emulate=${SCENARIO} --transcript=${WORK_DIR}/linux.txt ${run_args}
  OUTPUT_QUIET ERROR_VARIABLE linux_err RESULT_VARIABLE linux_rc TIMEOUT 120)
if(NOT linux_rc EQUAL 0)
  message(FATAL_ERROR "the Linux raidmond ended with ${linux_rc}:\n${linux_err}")
endif()
untimed(linux "${WORK_DIR}/linux.txt")
if(NOT windows STREQUAL linux)
  file(WRITE "${WORK_DIR}/windows-untimed.txt" "${windows}")
  file(WRITE "${WORK_DIR}/linux-untimed.txt" "${linux}")
  message(FATAL_ERROR "the transcripts differ: diff ${WORK_DIR}/linux-untimed.txt ${WORK_DIR}/windows-untimed.txt")
endif()
message(STATUS "${row_count} rows, ${records} event-log records, the same transcript as the Linux raidmond")
