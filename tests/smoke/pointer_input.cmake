# The pointer in a real window: a long right drag while frames are slow keeps the window
# following the pointer and ends with the release; drags that leave the client area over the
# menu strip and off the window are not seen by the programs.
set(STEERING_POINTER_INPUT ${CMAKE_CURRENT_SOURCE_DIR}/pointer_input.sh)
if(TARGET steering)
  add_test(NAME pointer_long_drag COMMAND ${STEERING_POINTER_INPUT} long-drag $<TARGET_FILE:steering>)
  # Alone, so its slow frames are its own and not those of the tests beside it.
  set_tests_properties(pointer_long_drag PROPERTIES TIMEOUT 180 LABELS smoke RUN_SERIAL TRUE)
  add_test(NAME pointer_leave_window_steering COMMAND ${STEERING_POINTER_INPUT} leave-window $<TARGET_FILE:steering> rdrag)
  set_tests_properties(pointer_leave_window_steering PROPERTIES TIMEOUT 60 LABELS smoke)
endif()
if(TARGET steering_walls)
  add_test(NAME pointer_leave_window_steering_walls
           COMMAND ${STEERING_POINTER_INPUT} leave-window $<TARGET_FILE:steering_walls> ldrag)
  set_tests_properties(pointer_leave_window_steering_walls PROPERTIES TIMEOUT 60 LABELS smoke)
endif()
if(TARGET steering_basic)
  add_test(NAME pointer_leave_window_steering_basic
           COMMAND ${STEERING_POINTER_INPUT} leave-window $<TARGET_FILE:steering_basic> rdrag)
  set_tests_properties(pointer_leave_window_steering_basic PROPERTIES TIMEOUT 60 LABELS smoke)
endif()
