# Runs the program from a folder that lacks its panel resource: it must end at
# once with exit code -1 (255 as the shell sees it) and show no window.
file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}")
file(COPY "${PROGRAM}" DESTINATION "${WORKDIR}")
get_filename_component(name "${PROGRAM}" NAME)
execute_process(COMMAND "${WORKDIR}/${name}" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
                TIMEOUT 20)
if(NOT rc EQUAL 255)
  message(FATAL_ERROR "expected exit code 255 (-1), got '${rc}'\n${out}\n${err}")
endif()
# A damaged resource is refused the same way.
file(WRITE "${WORKDIR}/K-BEX-TW-MS-DiredI304.uir" "not a resource")
execute_process(COMMAND "${WORKDIR}/${name}" RESULT_VARIABLE rc2 TIMEOUT 20)
if(NOT rc2 EQUAL 255)
  message(FATAL_ERROR "damaged resource: expected exit code 255, got '${rc2}'")
endif()
