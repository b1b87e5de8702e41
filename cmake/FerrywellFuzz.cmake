# ferrywell_fuzz_target(NAME SOURCES a.cpp LIBS lib SEEDS folder-or-file...
#                       [INCLUDES dir...] [SECONDS n] [MAX_LEN n] [INPUTS script])
# In the fuzz build (-DFERRYWELL_FUZZ=ON with clang: the AddressSanitizer
# build of scripts/sanitizer-tests.sh) this is a libFuzzer executable, a
# dependency of the target fuzz_targets, and the test NAME_short (label
# "fuzz"): scripts/fuzz-run.sh runs it for SECONDS (default 3; FUZZ_SECONDS
# overrides it) from the seeds. INPUTS names a script that writes more seeds
# and inputs too large to mutate quickly (see scripts/fuzz-run.sh). Other
# builds leave fuzz targets out.
add_custom_target(fuzz_targets)

function(ferrywell_fuzz_target name)
  if(NOT FERRYWELL_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "SECONDS;MAX_LEN;INPUTS" "SOURCES;LIBS;INCLUDES;SEEDS" ${ARGN})
  if(NOT F_SECONDS)
    set(F_SECONDS 3)
  endif()
  if(NOT F_MAX_LEN)
    set(F_MAX_LEN 400000)
  endif()
  add_executable(${name} ${F_SOURCES})
  target_include_directories(${name} PRIVATE ${F_INCLUDES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  add_dependencies(fuzz_targets ${name})

  string(REPLACE ";" ":" seeds "${F_SEEDS}")
  add_test(NAME ${name}_short
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/fuzz-run.sh ${name} ${seeds} ${F_SECONDS} ${F_MAX_LEN} ${F_INPUTS})
  set_tests_properties(${name}_short PROPERTIES TIMEOUT 900 LABELS fuzz ENVIRONMENT FUZZ_BUILD=${CMAKE_BINARY_DIR}
    ENVIRONMENT_MODIFICATION "${FERRYWELL_TEST_CACHE}")
endfunction()
