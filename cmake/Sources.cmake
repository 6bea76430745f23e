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

# A GoogleTest executable built from one tests/ folder. ctest runs each test in its own
# process; every suite also passes as one process.
function(steering_test_suite name dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT srcs)
    message(FATAL_ERROR "${dir}/ holds no test sources")
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main GTest::gmock)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    STEERING_RESOURCE_DIR="${PROJECT_SOURCE_DIR}/resources"
    STEERING_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin DISCOVERY_TIMEOUT 60)
endfunction()
