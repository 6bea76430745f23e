# A real-window session of each program, recorded and replayed headless: the traces must
# agree row by row. steering's session includes edit strokes (a wall, an erase, undo, redo,
# an obstacle marker), which rebuild the navigation under the agents.
set(STEERING_RECORD_REPLAY ${CMAKE_CURRENT_SOURCE_DIR}/record_replay.sh)
function(steering_record_replay name target)
  if(TARGET ${target} AND TARGET steering_headless)
    add_test(NAME ${name} COMMAND ${STEERING_RECORD_REPLAY} $<TARGET_FILE:${target}> $<TARGET_FILE:steering_headless>
                                  ${ARGN})
    set_tests_properties(${name} PROPERTIES TIMEOUT 90 LABELS smoke)
  endif()
endfunction()

steering_record_replay(record_replay_steering steering
  "key Insert" "drag 100 120 160 200" "key Insert" "click 400 300" "key Delete"
  "key Right" "key Down" "key Page_Down" "key Page_Up" "rclick 20 30" "rclick 5 25"
  "click 200 200" "key e" "drag 300 100 320 300" "rdrag 310 150 310 200" "key ctrl+z" "key ctrl+y"
  "key 3" "drag 100 400 120 400" "key e" "click 500 300" "sleep 0.5")
steering_record_replay(record_replay_steering_walls steering_walls
  "click 300 200" "drag 100 100 300 300" "rdrag 500 400 100 100" "key Up" "key Down" "sleep 0.3")
steering_record_replay(record_replay_steering_basic steering_basic
  "click 300 200" "rdrag 500 400 100 100" "key space" "sleep 0.3")
