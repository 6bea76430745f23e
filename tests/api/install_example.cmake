# cmake -P: installs the build into WORK_DIR/prefix, builds examples/ against it as a user
# would (find_package(Steering CONFIG) in a project of its own, then the same source with
# pkg-config's flags alone) and runs both programs, which must print the doorway's score.
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}\n${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

function(check_score program)
  run("${program}" ${program})
  message(STATUS "${program}:\n${output}")
  if(NOT output MATCHES "doorway: [0-9]+ of 100 agents arrived; half by ([0-9]+ s|never), 95 % by ([0-9]+ s|never)")
    message(FATAL_ERROR "${program} printed no doorway score:\n${output}")
  endif()
  if(NOT output MATCHES "classic [1-9][0-9]* waypoints, shortest [1-9][0-9]*")
    message(FATAL_ERROR "${program} found no path through the doorway:\n${output}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(file include/steering_api.h)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "the install has no ${file}")
  endif()
endforeach()
# The install is all a user gets: nothing of the source tree or the build.
file(GLOB_RECURSE installed RELATIVE ${prefix} ${prefix}/*)
message(STATUS "installed: ${installed}")

set(launcher)
if(LAUNCHER)
  set(launcher -DCMAKE_CXX_COMPILER_LAUNCHER=${LAUNCHER})
endif()
run("configuring the example" ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/example -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=${CXX} ${launcher} -DCMAKE_PREFIX_PATH=${prefix})
run("building the example" ${CMAKE_COMMAND} --build ${WORK_DIR}/example)
check_score(${WORK_DIR}/example/doorway)

file(GLOB_RECURSE pc_file ${prefix}/*/steering.pc)
get_filename_component(pc_dir "${pc_file}" DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pc_dir})
run("pkg-config" pkg-config --cflags --libs steering)
separate_arguments(flags UNIX_COMMAND "${output}")
run("building the example with pkg-config" ${LAUNCHER} ${CXX} -O2 ${SOURCE_DIR}/doorway.cpp ${flags}
    -o ${WORK_DIR}/doorway_pkgconfig)
check_score(${WORK_DIR}/doorway_pkgconfig)
