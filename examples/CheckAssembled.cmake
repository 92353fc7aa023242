# Assembles SOURCE with GPASM into OUTPUT and fails unless OUTPUT equals COMMITTED.
get_filename_component(output_dir ${OUTPUT} DIRECTORY)
execute_process(COMMAND ${GPASM} -o ${OUTPUT} ${SOURCE}
                WORKING_DIRECTORY ${output_dir}
                RESULT_VARIABLE assembled)
if(NOT assembled EQUAL 0)
  message(FATAL_ERROR "gpasm failed on ${SOURCE}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files --ignore-eol ${OUTPUT} ${COMMITTED}
                RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "${COMMITTED} is not what gpasm makes of ${SOURCE}: assemble it again")
endif()
