# GoogleTest for both trees, and the Wine session that the cross tree's tests run in.
#
#   hinmei_add_gtests(TARGET [GUI] [PROPERTIES NAME VALUE...])
#     registers the tests of TARGET with ctest: natively each test on its own, under
#     Wine the whole program as one test, since every Wine process start costs about as
#     much as a test. GUI tests need the focus of the one Wine desktop, so they are
#     serialised through a resource lock.

include(GoogleTest)

if(CMAKE_CROSSCOMPILING)
  set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "googletest sources for the cross build")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

  set(WINE_TEST_PREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "private WINEPREFIX for tests")
  set(WINE_RUN ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh --prefix=${WINE_TEST_PREFIX})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_RUN} --retry-silent)
  add_test(NAME wine.session.start COMMAND ${WINE_RUN} --start)
  add_test(NAME wine.session.stop COMMAND ${WINE_RUN} --stop)
  set_tests_properties(wine.session.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
  set_tests_properties(wine.session.stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
else()
  find_package(GTest 1.10 REQUIRED CONFIG)
endif()

function(hinmei_add_gtests target)
  cmake_parse_arguments(arg "GUI" "" "PROPERTIES" ${ARGN})
  set(props ENVIRONMENT "HINMEI_SHARED_DIR=${HINMEI_SHARED_DIR}" ${arg_PROPERTIES})
  if(arg_GUI)
    list(APPEND props RESOURCE_LOCK wine_desktop)
  endif()
  if(CMAKE_CROSSCOMPILING)
    # The failing test's name stands in the program's output, which ctest shows.
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES TIMEOUT 900 FIXTURES_REQUIRED wine ${props})
  else()
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                         PROPERTIES TIMEOUT 120 ${props})
  endif()
endfunction()
