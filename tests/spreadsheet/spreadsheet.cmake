# The spreadsheet export against a real, headless LibreOffice. Built only
# when the office SDK was found; the tests skip themselves when soffice is
# not installed. A test that needs an office starts one of its own (its own
# profile and pipe) and ends it when its process ends.
if(TARGET basewright_office_process)
  add_executable(test_spreadsheet ${CMAKE_CURRENT_LIST_DIR}/SpreadsheetIntegration_test.cpp
                                  ${CMAKE_CURRENT_SOURCE_DIR}/support/TestMain.cpp)
  target_include_directories(test_spreadsheet PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(test_spreadsheet PRIVATE basewright_office_process basewright_gui Qt6::Test GTest::gtest)
  gtest_discover_tests(test_spreadsheet DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 180 LABELS spreadsheet)
endif()
