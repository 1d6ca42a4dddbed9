# The build revision is the number of commits, so every landed change counts up.
if(NOT DEFINED ZENTARO_REVISION)
  execute_process(COMMAND git rev-list --count HEAD
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE _rev OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE _rc ERROR_QUIET)
  if(NOT _rc EQUAL 0 OR _rev STREQUAL "")
    set(_rev 0)
  endif()
  set(ZENTARO_REVISION ${_rev} CACHE STRING "Build revision number")
endif()
