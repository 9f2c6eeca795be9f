# Runs one libFuzzer target for a fixed time: cmake -DFUZZER=... -DCORPUS=...
# -DSEEDS=... -DARTIFACTS=... -DSECONDS=... -P run_fuzzer.cmake
foreach(var FUZZER CORPUS SEEDS ARTIFACTS SECONDS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_fuzzer.cmake: ${var} is not set")
  endif()
endforeach()

set(max_len_option)
if(DEFINED MAX_LEN AND NOT MAX_LEN EQUAL 0)
  set(max_len_option -max_len=${MAX_LEN})
endif()

file(REMOVE_RECURSE ${CORPUS})
file(MAKE_DIRECTORY ${CORPUS} ${ARTIFACTS})
execute_process(
  COMMAND ${FUZZER} -max_total_time=${SECONDS} -print_final_stats=1 ${max_len_option} -artifact_prefix=${ARTIFACTS}
          ${CORPUS} ${SEEDS}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${result}); crashing inputs are in ${ARTIFACTS}")
endif()
