# Writes the manual page that se-host prints with --man into OUT, and OUT.gz
# compressed without a time stamp (the same bytes every build).
#   cmake -DPROGRAM=<se-host> -DOUT=<file> -P se_man_page.cmake
get_filename_component(dir ${OUT} DIRECTORY)
file(MAKE_DIRECTORY ${dir})
execute_process(COMMAND ${PROGRAM} --man OUTPUT_FILE ${OUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --man failed: ${status}")
endif()
execute_process(COMMAND gzip -9nf -c ${OUT} OUTPUT_FILE ${OUT}.gz RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip of ${OUT} failed: ${status}")
endif()
