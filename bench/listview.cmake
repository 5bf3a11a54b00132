# The list view with a million rows: append while shown, read, scroll, clear,
# against a QStandardItemModel peer. Run: basewright_listview_bench [rows] [batch] [peerRows]
if(TARGET basewright_gui)
  add_executable(basewright_listview_bench ${CMAKE_CURRENT_LIST_DIR}/listview_bench.cpp)
  target_link_libraries(basewright_listview_bench PRIVATE basewright_gui)
endif()
