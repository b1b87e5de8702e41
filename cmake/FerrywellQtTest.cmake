# ferrywell_qt_test(NAME SOURCES a.cpp LIBS lib1)
# Builds a Qt Test executable and runs it under CTest on the offscreen
# platform, so that it needs no display. The tests of the desktop program
# (tests/app) run its workers on threads: they carry the label "threaded" and
# belong to the target threaded_tests, which the ThreadSanitizer run builds.
function(ferrywell_qt_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  find_package(Qt6 REQUIRED COMPONENTS Test Widgets)
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_LIBS} Qt6::Test Qt6::Widgets)
  # Qt Test and Qt's widgets, precompiled (with clang) for the first of these
  # tests in a folder and reused by the others there (Qt Test defines the
  # folder for each test, which the headers must be compiled with).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    get_directory_property(holder FERRYWELL_QT_TEST_HEADERS)
    if(holder)
      target_precompile_headers(${name} REUSE_FROM ${holder})
    else()
      target_precompile_headers(${name} PRIVATE <QtTest> <QtWidgets>)
      set_directory_properties(PROPERTIES FERRYWELL_QT_TEST_HEADERS ${name})
    endif()
  endif()
  target_compile_definitions(${name} PRIVATE
    FERRYWELL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    FERRYWELL_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300
    ENVIRONMENT_MODIFICATION "${FERRYWELL_TEST_CACHE}")
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  if(folder STREQUAL "app")
    set_tests_properties(${name} PROPERTIES LABELS threaded)
    add_dependencies(threaded_tests ${name})
  endif()
endfunction()
