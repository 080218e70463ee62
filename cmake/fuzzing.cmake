# Fuzz targets.
#
#   hinmei_add_fuzzer(NAME SOURCES... LIBS... CORPUS DIR... [OPTIONS FLAG...])
#
# In a tree configured with HINMEI_FUZZ=ON (clang), NAME is a libFuzzer executable and
# every library is built with coverage instrumentation. In every other tree, NAME is a
# replay program that feeds each file of the CORPUS folders (the seeds and the inputs
# that once failed) to the same target, registered as a test: the fuzzers' findings stay
# regression tests of the ordinary test run. OPTIONS are libFuzzer flags for the fuzz
# runs (such as -max_len); a CORPUS folder that does not exist is passed over.

option(HINMEI_FUZZ "build libFuzzer targets (clang only)" OFF)
if(HINMEI_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "HINMEI_FUZZ needs clang (CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
  # Paths the engine takes only for large tables (two threads, radix passes) are taken
  # for the fuzzers' small inputs as well.
  add_compile_definitions(HINMEI_SMALL_THRESHOLDS)
  # clang sees unused private fields that GCC does not report; they stay warnings here.
  add_compile_options(-Wno-error=unused-private-field)
endif()

function(hinmei_add_fuzzer name)
  cmake_parse_arguments(arg "" "" "SOURCES;LIBS;CORPUS;OPTIONS" ${ARGN})
  if(HINMEI_FUZZ)
    add_executable(${name} ${arg_SOURCES})
    target_link_libraries(${name} PRIVATE ${arg_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_property(GLOBAL APPEND PROPERTY HINMEI_FUZZERS ${name})
    foreach(dir IN LISTS arg_CORPUS)
      if(EXISTS ${dir})
        set_property(GLOBAL APPEND PROPERTY HINMEI_FUZZ_CORPUS_${name} ${dir})
      endif()
    endforeach()
    set_property(GLOBAL APPEND PROPERTY HINMEI_FUZZ_OPTIONS_${name} ${arg_OPTIONS})
  else()
    add_executable(${name}_replay ${arg_SOURCES} ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp)
    target_link_libraries(${name}_replay PRIVATE ${arg_LIBS})
    add_test(NAME ${name}.replay COMMAND ${name}_replay ${arg_CORPUS})
    set_tests_properties(${name}.replay PROPERTIES TIMEOUT 300)
    if(CMAKE_CROSSCOMPILING)
      set_tests_properties(${name}.replay PROPERTIES FIXTURES_REQUIRED wine)
    endif()
  endif()
endfunction()
