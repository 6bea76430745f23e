# steering in a real window: Insert presses at a dragged point, left clicks that send the
# agents off, Debug Vectors chosen from the menu with the keyboard and Neighbours with the
# mouse, a final screenshot, and Escape ends it with code 0.
if(TARGET steering)
  steering_window_smoke(smoke_steering steering
    OPTIONS --min-colours 5
    ACTIONS
      "key Insert"                      # five agents at world (0, 0)
      "drag 100 120 140 160"            # the Insert point moves to client (140, 140)
      "key Insert"
      "click 400 300"                   # every agent heads for client (400, 280)
      "key alt+d"
      "key v"                           # Debug, Vectors
      "click 59 10"                     # the Debug title
      "click 70 29"                     # Neighbours
      "key Page_Down"                   # zoom out
      "click 300 200"
      "sleep 1")
endif()
