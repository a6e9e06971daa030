# Runs EXE in an emptied DIR, so every test run starts from a clean start directory.
file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR})
execute_process(COMMAND ${EXE} WORKING_DIRECTORY ${DIR} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${EXE} failed: ${result}")
endif()
