# The DHCP client behind the live provider, added to lorvane_iphlp.
target_sources(lorvane_iphlp PRIVATE ${CMAKE_CURRENT_LIST_DIR}/system_client.cpp)
