# The Windows device layer: overlapped device access, the device-event and output threads, the
# COM port table from the registry.
target_sources(sio PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/SioWin32Windows.h
  ${CMAKE_CURRENT_LIST_DIR}/SioWin32Errors.h ${CMAKE_CURRENT_LIST_DIR}/SioWin32Errors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SioWin32Io.h ${CMAKE_CURRENT_LIST_DIR}/SioWin32Io.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SioWin32Dcb.h ${CMAKE_CURRENT_LIST_DIR}/SioWin32Dcb.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SioWin32PortClaim.h ${CMAKE_CURRENT_LIST_DIR}/SioWin32PortClaim.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SioWin32Dispatcher.h ${CMAKE_CURRENT_LIST_DIR}/SioWin32Dispatcher.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SioWin32Threads.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SioWin32PortTable.h
  ${CMAKE_CURRENT_LIST_DIR}/SioComPortTable.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SioPlatformDispatcher.cpp
)
target_link_libraries(sio PUBLIC advapi32)
