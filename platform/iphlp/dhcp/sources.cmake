# The DHCP client behind the live provider, and the IP Helper calls that hand
# work to it, added to lorvane_iphlp.
target_sources(lorvane_iphlp PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/lease_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bus.cpp
  ${CMAKE_CURRENT_LIST_DIR}/client_base.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dhclient_client.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dhcpcd_client.cpp
  ${CMAKE_CURRENT_LIST_DIR}/managing_client.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ifupdown.cpp
  ${CMAKE_CURRENT_LIST_DIR}/json.cpp
  ${CMAKE_CURRENT_LIST_DIR}/network_manager_client.cpp
  ${CMAKE_CURRENT_LIST_DIR}/networkd_client.cpp
  ${CMAKE_CURRENT_LIST_DIR}/replies.cpp
  ${CMAKE_CURRENT_LIST_DIR}/running_clients.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../interface_info.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../lease_calls.cpp)
