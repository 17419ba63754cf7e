# Run by CPack on the staged files of the Debian package, before it is made:
# Debian keeps manual pages gzip-compressed (-n: no name or time stamp, so
# the same page always gives the same bytes).
file(GLOB_RECURSE pages ${CPACK_TEMPORARY_DIRECTORY}/*/share/man/man*/*.[1-9])
foreach(page ${pages})
  execute_process(COMMAND gzip -9nf ${page} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${page}")
  endif()
endforeach()
