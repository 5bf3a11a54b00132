# "Start Converting" on large lists, measured through the window.
if(TARGET basewright_gui)
  add_executable(basewright_run_bench ${CMAKE_CURRENT_LIST_DIR}/run_bench.cpp)
  target_link_libraries(basewright_run_bench PRIVATE basewright_gui)
endif()
