# GoogleTest for both trees, and the Wine session that the cross tree's tests run in.
#
#   hinmei_add_gtests(TARGET [GUI] [PROPERTIES NAME VALUE...])
#     registers every test of TARGET with ctest. GUI tests need the focus of the one
#     Wine desktop, so they are serialised through a resource lock.

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
  set(props TIMEOUT 120 ENVIRONMENT "HINMEI_SHARED_DIR=${HINMEI_SHARED_DIR}" ${arg_PROPERTIES})
  if(CMAKE_CROSSCOMPILING)
    list(APPEND props FIXTURES_REQUIRED wine)
  endif()
  if(arg_GUI)
    list(APPEND props RESOURCE_LOCK wine_desktop)
  endif()
  # Discovery at test time: the cross tree then needs no Wine during the build.
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       PROPERTIES ${props})
endfunction()
