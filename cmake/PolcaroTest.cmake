# polcaro_add_test(NAME SOURCES src... LIBS lib... [QT])
# Builds a GoogleTest executable and registers its tests with CTest. Discovery runs when ctest
# runs (PRE_TEST), never at build time, so test binaries never run without their environment.
# Every test gets its own XDG_CONFIG_HOME below the build tree and the offscreen Qt platform, and
# every test program redirects the application-data folder (tests/guard/redirected_app_data.cpp).
include(GoogleTest)
function(polcaro_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/guard/redirected_app_data.cpp)
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main polcaro_options)
  set(cfg "${CMAKE_CURRENT_BINARY_DIR}/${name}-config")
  file(MAKE_DIRECTORY "${cfg}")
  set(env "QT_QPA_PLATFORM=offscreen" "XDG_CONFIG_HOME=${cfg}" "LC_ALL=C.UTF-8")
  if(CMAKE_CROSSCOMPILING)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                         PROPERTIES ENVIRONMENT "${env}" TIMEOUT 300)
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                         PROPERTIES ENVIRONMENT "${env}" TIMEOUT 300)
  endif()
endfunction()
