# Every test keeps the indexes of the databases it opens in the build folder,
# never in the user's own cache: ENVIRONMENT_MODIFICATION of each test.
set(FERRYWELL_TEST_CACHE "XDG_CACHE_HOME=set:${CMAKE_BINARY_DIR}/test-cache")

# ferrywell_test_headers(TARGET): the target, a Google Test program under
# tests/ (compiled with the same options as test_support), starts each of its
# files from test_support's precompiled headers.
function(ferrywell_test_headers target)
  get_target_property(shared test_support PRECOMPILE_HEADERS)
  if(shared)
    target_precompile_headers(${target} REUSE_FROM test_support)
  endif()
endfunction()

# ferrywell_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [WIDGETS])
# Builds a GoogleTest executable and registers each test case with CTest.
# WIDGETS: it links Qt's widgets, which make it position-independent, and so
# it cannot start from the shared precompiled headers, which are not.
function(ferrywell_test name)
  cmake_parse_arguments(T "WIDGETS" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(NOT T_WIDGETS)
    ferrywell_test_headers(${name})
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    FERRYWELL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    FERRYWELL_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ENVIRONMENT_MODIFICATION "${FERRYWELL_TEST_CACHE}")
endfunction()

# ferrywell_add_subfolders(): adds every sub-folder of the current folder that
# has a CMakeLists.txt, in name order, so that components add their own
# folders without touching the parent's file. A folder added before (for
# what the others need) is not added again.
function(ferrywell_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  get_property(added DIRECTORY PROPERTY SUBDIRECTORIES)
  foreach(child IN LISTS children)
    if(${CMAKE_CURRENT_SOURCE_DIR}/${child} IN_LIST added)
      continue()
    endif()
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# ferrywell_executables_below(DIR OUT): every executable target defined in the
# folder DIR and the folders below it.
function(ferrywell_executables_below dir out)
  set(found)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      list(APPEND found ${target})
    endif()
  endforeach()
  get_property(subfolders DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subfolder IN LISTS subfolders)
    ferrywell_executables_below(${subfolder} below)
    list(APPEND found ${below})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# ferrywell_fast_malloc(TARGET): the program allocates with mimalloc rather
# than glibc's malloc. An export makes and frees many small values on several
# threads at once, and takes about a tenth less processor time with it, at
# the same peak memory. Sanitizer builds keep the sanitizer's allocator, and
# -DFERRYWELL_MIMALLOC=OFF glibc's, which heap profilers such as heaptrack
# can follow.
option(FERRYWELL_MIMALLOC "Link the exporting programs with mimalloc" ON)
function(ferrywell_fast_malloc target)
  if(FERRYWELL_MIMALLOC AND NOT FERRYWELL_SANITIZE)
    find_package(mimalloc 2.0 REQUIRED CONFIG)
    # Called before the target's other libraries are linked, so that it comes
    # first and every malloc of the process is its.
    target_link_libraries(${target} PRIVATE mimalloc)
  endif()
endfunction()
