# Helpers shared by every folder.

# sablewick_target(TARGET): our warnings and the source root on the include path.
function(sablewick_target target)
  target_compile_options(${target} PRIVATE ${SABLEWICK_WARNINGS})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
endfunction()

# add_unit_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [QT] [TOOLS] [ENV K=V ...])
# A GoogleTest executable (or, with QT, a Qt Test one, with AUTOMOC) registered with CTest,
# linked with the shared test support (tests/support).
# TOOLS: the test runs or kills processes named like the tools (video.dll, ...);
# such tests never run side by side, since a kill by name would reach the others.
# Sanitizer settings are built into the test program (tests/support/SanitizerDefaults.cpp).
function(add_unit_test name)
  cmake_parse_arguments(T "QT;TOOLS" "" "SOURCES;LIBS;ENV" ${ARGN})
  set(lock "")
  if(T_TOOLS)
    set(lock RESOURCE_LOCK sablewick_tools)
  endif()
  add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/SanitizerDefaults.cpp)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  sablewick_target(${name})
  target_compile_definitions(${name} PRIVATE
    SABLEWICK_BIN_DIR="${SABLEWICK_BIN_DIR}/"
    SABLEWICK_TEST_HELPERS="${CMAKE_BINARY_DIR}/tests/helpers/"
    SABLEWICK_LSAN_SUPPRESSIONS="${PROJECT_SOURCE_DIR}/tests/lsan.supp")
  set(env "QT_QPA_PLATFORM=offscreen" ${T_ENV})
  target_link_libraries(${name} PRIVATE sablewick_test_support)
  if(T_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE ${T_LIBS} Qt6::Test)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600 ${lock})
  else()
    # gtest_discover_tests flattens a list in its properties: one variable only.
    if(T_ENV)
      message(FATAL_ERROR "add_unit_test(${name}): ENV is for Qt tests only")
    endif()
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600 ${lock})
  endif()
endfunction()
