# Installs the build into PREFIX, then checks the layout, that the manual
# page renders without a single warning, and that a program outside the
# project builds against the installed library (find_package(zol)) and
# equates in memory.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "install failed: ${result}")
endif()
foreach(installed bin/zol share/man/man1/zol.1 include/zol/zol.h include/zol/version.h
                  lib/cmake/zol/zolConfig.cmake lib/cmake/zol/zolConfigVersion.cmake)
  if(NOT EXISTS ${PREFIX}/${installed})
    message(FATAL_ERROR "missing after install: ${installed}")
  endif()
endforeach()
execute_process(COMMAND groff -man -Tutf8 -ww ${PREFIX}/share/man/man1/zol.1
                RESULT_VARIABLE result OUTPUT_VARIABLE page ERROR_VARIABLE warnings)
if(NOT result EQUAL 0 OR NOT warnings STREQUAL "")
  message(FATAL_ERROR "manual page does not render cleanly: ${warnings}")
endif()
# Drop the terminal's overstrike (character, backspace) to compare plain text.
string(ASCII 8 backspace)
string(REGEX REPLACE ".${backspace}" "" page "${page}")
foreach(section NAME SYNOPSIS DESCRIPTION FILES "EXIT STATUS" EXAMPLES)
  string(FIND "${page}" "\n${section}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "manual page has no section ${section}")
  endif()
endforeach()
file(READ ${BUILD_DIR}/generated/zol/version.h version_header)
string(REGEX MATCH "\"([0-9.]+)\"" _ "${version_header}")
string(FIND "${page}" "zol ${CMAKE_MATCH_1}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "manual page does not carry version ${CMAKE_MATCH_1}")
endif()

# Only the public headers are installed.
file(GLOB installed_headers RELATIVE ${PREFIX}/include ${PREFIX}/include/*)
if(NOT installed_headers STREQUAL "zol")
  message(FATAL_ERROR "installed headers beside include/zol: ${installed_headers}")
endif()

set(consumer ${PREFIX}-consumer)
file(REMOVE_RECURSE ${consumer})
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/consumer -B ${consumer}
                        -DCMAKE_PREFIX_PATH=${PREFIX} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
                        "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${CXX_FLAGS}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(result EQUAL 0)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${consumer}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
endif()
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the consumer does not build against the installed library:\n${output}")
endif()
execute_process(COMMAND ${consumer}/equate_in_memory RESULT_VARIABLE result
                OUTPUT_VARIABLE report)
file(READ ${SOURCE_DIR}/examples/consumer/expected_output.txt expected)
if(NOT result EQUAL 0 OR NOT report STREQUAL expected)
  message(FATAL_ERROR "the consumer printed (status ${result}):\n${report}")
endif()
