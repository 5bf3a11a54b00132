# Starting and closing the window with a million stored input rows.
if(TARGET basewright_gui)
  add_executable(basewright_window_bench ${CMAKE_CURRENT_LIST_DIR}/window_bench.cpp)
  target_link_libraries(basewright_window_bench PRIVATE basewright_gui)
endif()
