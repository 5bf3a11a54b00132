# "Save Results As Excel File" against a headless LibreOffice that the
# program starts itself. Built only with the office SDK.
if(TARGET basewright_office_process)
  add_executable(basewright_spreadsheet_bench ${CMAKE_CURRENT_LIST_DIR}/spreadsheet_bench.cpp)
  target_link_libraries(basewright_spreadsheet_bench PRIVATE basewright_office_process basewright_gui)
endif()
