# steering_basic in a real window: a left and a right click, the overlay switched on with
# Space, and Escape ends it.
if(TARGET steering_basic)
  steering_window_smoke(smoke_steering_basic steering_basic
    OPTIONS --min-colours 4
    ACTIONS
      "click 560 420"                   # the leader's target (client 560, 400)
      "rclick 500 120"                  # the arrivers' target
      "key space"
      "sleep 1")
endif()
