# steering_walls in a real window: clicks with both buttons, the three Debug overlays chosen
# from the menu, an Up and a Down release, and Escape ends it.
if(TARGET steering_walls)
  steering_window_smoke(smoke_steering_walls steering_walls
    OPTIONS --min-colours 5
    ACTIONS
      "rclick 500 140"                  # the leader's target (client 500, 120)
      "click 300 140"                   # the arrivers' target
      "click 59 10"                     # the Debug title
      "click 70 29"                     # Neighbours
      "key alt+d"
      "key g"                           # Grid
      "key alt+d"
      "key v"                           # Vectors
      "key Up"
      "key Down"
      "sleep 1")
endif()
