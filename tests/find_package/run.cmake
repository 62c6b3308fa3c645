# Installs the built project into a staging prefix, then configures, builds
# and runs the consumer program beside this file against it.
set(stage ${BINARY_DIR}/find_package/stage)
set(consumer ${BINARY_DIR}/find_package/consumer)
file(REMOVE_RECURSE ${stage} ${consumer})

function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGV}")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install ${BINARY_DIR} --prefix ${stage})
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/find_package -B ${consumer} -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${stage})
run(${CMAKE_COMMAND} --build ${consumer})
run(${consumer}/consumer)
