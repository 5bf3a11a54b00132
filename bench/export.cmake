# Loading a list file, saving the results as a text file and copying them
# to the clipboard, through the window, on a million rows.
if(TARGET basewright_gui)
  add_executable(basewright_export_bench ${CMAKE_CURRENT_LIST_DIR}/export_bench.cpp)
  target_link_libraries(basewright_export_bench PRIVATE basewright_gui)
endif()
