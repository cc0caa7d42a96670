# quendel_library(NAME SOURCES... [DEPS ...])
#   A layer of the core as a static library; headers are included as "layer/file.h".
function(quendel_library name)
  cmake_parse_arguments(Q "" "" "SOURCES;DEPS" ${ARGN})
  add_library(quendel_${name} STATIC ${Q_SOURCES})
  target_include_directories(quendel_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(quendel_${name} PUBLIC ${Q_DEPS})
endfunction()

# quendel_test(NAME SOURCES... DEPS ...)
#   One GoogleTest program. Natively each case is its own ctest test; under Wine
#   the same, run through the emulator (scripts/wine-run).
function(quendel_test name)
  cmake_parse_arguments(Q "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${Q_SOURCES})
  target_link_libraries(${name} PRIVATE ${Q_DEPS} GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE QUENDEL_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT "QUENDEL_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

# quendel_shipped_program(TARGET)
#   A Windows program that goes to the user's machine (the setup program in
#   every product's setup.exe, the uninstaller): in a Release build linked as
#   one optimised whole, in a single partition (GCC 12's MinGW link crashes
#   when it splits these programs); always without unused sections and
#   symbols, with the small terminate handler instead of the C++ library's,
#   which links a name demangler, and with the C++ library's error helpers
#   raising plain std::exception (apps/common/library_errors.cpp), so that
#   the old copy-on-write string does not come along.
function(quendel_shipped_program name)
  target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/apps/common/terminate_handler.cpp
    ${PROJECT_SOURCE_DIR}/apps/common/library_errors.cpp)
  target_link_options(${name} PRIVATE -s -Wl,--gc-sections)
  if(CMAKE_BUILD_TYPE STREQUAL "Release")
    target_link_options(${name} PRIVATE -flto -flto-partition=none)
  endif()
endfunction()
