# The platform demo in a real window: a menu item chosen with the mouse, another with Alt and
# its mnemonic, a key, a click and a held (repeating) key reaching the window procedure, then
# Escape ends it.
if(TARGET platform_demo)
  steering_window_smoke(smoke_platform_demo platform_demo
    OPTIONS --min-colours 6
    ACTIONS
      "click 59 10"                     # the Debug title
      "click 70 29"                     # its first item, Neighbours
      "expect command 40007 checked"
      "key alt+d"                       # Debug again, from the keyboard
      "key g"                           # Grid
      "expect command 40008 checked"
      "key Insert"
      "expect keyup 45"
      "click 100 120"                   # client pixel (100, 100)
      "expect lbuttondown 100 100"
      "keydown Right"                   # held: the key repeats while it is down
      "sleep 1"
      "keyup Right"
      "expect-lines 3 keydown 39 repeat 1"
      "expect keyup 39")
endif()

# Closing the window from the desktop ends the demo cleanly (WM_CLOSE, WM_DESTROY, WM_QUIT).
if(TARGET platform_demo AND TARGET smoke_close_window)
  steering_window_smoke(smoke_platform_demo_close platform_demo OPTIONS --end close)
endif()
