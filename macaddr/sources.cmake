# The hardware address override, part of the program.
target_sources(lorvane_program PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/reg_string.cpp
  ${CMAKE_CURRENT_LIST_DIR}/adapter_reg_key.cpp
  ${CMAKE_CURRENT_LIST_DIR}/change_mac_dialog.cpp)
