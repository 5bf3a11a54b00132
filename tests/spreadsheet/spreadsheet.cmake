# The spreadsheet export against a real, headless LibreOffice. Built only
# when the office SDK was found; the tests skip themselves when soffice is
# not installed. Each test program starts one office of its own.
if(TARGET basewright_office_process)
  add_executable(test_spreadsheet ${CMAKE_CURRENT_LIST_DIR}/SpreadsheetIntegration_test.cpp
                                  ${CMAKE_CURRENT_SOURCE_DIR}/support/TestMain.cpp)
  target_include_directories(test_spreadsheet PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(test_spreadsheet PRIVATE basewright_office_process basewright_gui Qt6::Test GTest::gtest)
  # One CTest test per case would start one office per case; the suite
  # shares one office, so it runs as a single test with a time limit.
  add_test(NAME spreadsheet_integration COMMAND test_spreadsheet)
  set_tests_properties(spreadsheet_integration PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    TIMEOUT 300
    SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
endif()
