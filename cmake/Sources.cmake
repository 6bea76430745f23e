# Collects the .cpp files of the given folders (relative to the source root).
# New files are picked up at the next build without editing any list. A folder without
# sources is a mistake (a moved or renamed folder), so it stops the configuration.
function(steering_sources out)
  set(files)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
    # Files named *_main.cpp hold a program's entry and are not part of a library.
    list(FILTER found EXCLUDE REGEX "_main\\.cpp$")
    if(NOT found)
      message(FATAL_ERROR "${dir}/ holds no library sources")
    endif()
    list(APPEND files ${found})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# Every suite also passes as one process, in any order, run after run: one ctest entry per
# executable (NAME_shuffled) runs all its tests so, three times over, and fails when a test
# leans on process-wide state an earlier one left behind. gtest prints the order's seed
# (rerun with --gtest_random_seed=N) and any filter. EXCLUDE names the few tests, as gtest
# patterns joined by ':', that take seconds each; they still run alone in their own process.
function(steering_shuffled_run name)
  cmake_parse_arguments(arg "" "EXCLUDE" "" ${ARGN})
  set(filter)
  if(arg_EXCLUDE)
    set(filter "--gtest_filter=-${arg_EXCLUDE}")
  endif()
  add_test(NAME ${name}_shuffled
           COMMAND ${name} --gtest_shuffle --gtest_repeat=3 ${filter}
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  # Its own temporary folder: ctest may run it beside the same tests' own processes, which
  # write the same file names under the default one.
  set(tmp ${CMAKE_BINARY_DIR}/test-tmp/${name}_shuffled)
  file(MAKE_DIRECTORY ${tmp})
  set_tests_properties(${name}_shuffled PROPERTIES ENVIRONMENT "TEST_TMPDIR=${tmp}/")
endfunction()

# A GoogleTest executable built from one tests/ folder, linked with the given libraries.
# ctest runs each test in its own process, and the whole executable once more as one
# process (steering_shuffled_run; SHUFFLED_EXCLUDE passes its EXCLUDE).
function(steering_test_suite name dir)
  cmake_parse_arguments(arg "" "SHUFFLED_EXCLUDE" "" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT srcs)
    message(FATAL_ERROR "${dir}/ holds no test sources")
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${arg_UNPARSED_ARGUMENTS} GTest::gtest GTest::gtest_main GTest::gmock)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    STEERING_RESOURCE_DIR="${PROJECT_SOURCE_DIR}/resources"
    STEERING_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  # The tests' temporary files go under this build folder: two build folders' suites (a plain
  # and a sanitizer build, or two checkouts) run at once would otherwise write the same names
  # under the system's temporary folder.
  set(tmp ${CMAKE_BINARY_DIR}/test-tmp/${name})
  file(MAKE_DIRECTORY ${tmp})
  gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "TEST_TMPDIR=${tmp}/")
  steering_shuffled_run(${name} EXCLUDE "${arg_SHUFFLED_EXCLUDE}")
endfunction()
