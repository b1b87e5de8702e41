# ferrywell_fuzz_target(NAME SOURCES a.cpp LIBS lib SEEDS folder [SECONDS n] [MAX_LEN n])
# In the fuzz build (-DFERRYWELL_FUZZ=ON with clang, where every library is
# built with coverage and sanitizers) this is a libFuzzer executable. In the
# normal build it is the test NAME_short: scripts/fuzz-run.sh builds the fuzz
# build and runs NAME for SECONDS (default 15) from the seeds; `make fuzz`
# runs every *_short test for FUZZ_SECONDS instead.
function(ferrywell_fuzz_target name)
  cmake_parse_arguments(F "" "SEEDS;SECONDS;MAX_LEN" "SOURCES;LIBS" ${ARGN})
  if(NOT F_SECONDS)
    set(F_SECONDS 15)
  endif()
  if(NOT F_MAX_LEN)
    set(F_MAX_LEN 400000)
  endif()
  if(FERRYWELL_FUZZ)
    add_executable(${name} ${F_SOURCES})
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  elseif(FERRYWELL_FUZZ_TESTS)
    find_program(CLANGXX clang++)
    if(CLANGXX)
      add_test(NAME ${name}_short
               COMMAND ${PROJECT_SOURCE_DIR}/scripts/fuzz-run.sh ${name} ${F_SEEDS} ${F_SECONDS} ${F_MAX_LEN})
      set_tests_properties(${name}_short PROPERTIES TIMEOUT 900 RESOURCE_LOCK fuzz_clang_build LABELS fuzz
                           ENVIRONMENT FUZZ_BUILD=${CMAKE_BINARY_DIR}/fuzz-clang)
    endif()
  endif()
endfunction()

# ferrywell_fuzz_script(NAME SCRIPT WORKDIR): the short run of a fuzz target
# that its own script builds with clang (the Notes layer's targets), as the
# test NAME_short.
function(ferrywell_fuzz_script name script workdir)
  find_program(CLANGXX clang++)
  if(CLANGXX AND FERRYWELL_FUZZ_TESTS AND NOT FERRYWELL_FUZZ)
    add_test(NAME ${name}_short COMMAND ${PROJECT_SOURCE_DIR}/scripts/${script} 15 ${CMAKE_BINARY_DIR}/${workdir}
             WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
    set_tests_properties(${name}_short PROPERTIES TIMEOUT 400)
  endif()
endfunction()
