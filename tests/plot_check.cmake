# Draws the picture of an input and checks it with real tools: well-formed XML
# (xmllint) that an SVG renderer (rsvg-convert) draws at the stated 720 by 960
# pixels.
#   cmake -DPROGRAM=zol -DINPUT=<file> -DSCRATCH=<dir> -P plot_check.cmake
foreach(tool xmllint rsvg-convert)
  find_program(${tool}_path ${tool})
  if(NOT ${tool}_path)
    message(FATAL_ERROR "${tool} is missing (packages libxml2-utils and librsvg2-bin)")
  endif()
endforeach()
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
execute_process(COMMAND "${PROGRAM}" --plot plot.svg "${INPUT}" report.txt
                WORKING_DIRECTORY "${SCRATCH}" COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND "${xmllint_path}" --noout plot.svg WORKING_DIRECTORY "${SCRATCH}"
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND "${rsvg-convert_path}" -o plot.png plot.svg WORKING_DIRECTORY "${SCRATCH}"
                COMMAND_ERROR_IS_FATAL ANY)
# The PNG header's IHDR chunk holds the width and the height, 4 bytes each.
file(READ "${SCRATCH}/plot.png" header LIMIT 8 OFFSET 16 HEX)
if(NOT header STREQUAL "000002d0000003c0")
  message(FATAL_ERROR "the picture is not 720 by 960 pixels: IHDR ${header}")
endif()
file(SIZE "${SCRATCH}/plot.svg" bytes)
if(bytes GREATER 1000000)
  message(FATAL_ERROR "the picture takes ${bytes} bytes")
endif()
