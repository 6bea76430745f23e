# Collects the .cpp files of the given folders (relative to the source root).
# New files are picked up at the next build without editing any list.
function(steering_sources out)
  set(files)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
    # Files named *_main.cpp hold a program's entry and are not part of a library.
    list(FILTER found EXCLUDE REGEX "_main\\.cpp$")
    list(APPEND files ${found})
  endforeach()
  if(NOT files)
    # A folder whose code has not been written yet still yields a valid library.
    set(files ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# A GoogleTest executable built from one tests/ folder, each test run in its own
# process so that the programs' process-wide state starts fresh.
function(steering_test_suite name dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main GTest::gmock)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    STEERING_RESOURCE_DIR="${PROJECT_SOURCE_DIR}/resources"
    STEERING_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin DISCOVERY_TIMEOUT 60)
endfunction()
