# The forms as real dialogs, driven by window messages under Wine with the null graphics driver, and the
# program that takes their screenshots (tools/screens-windows.sh).
add_executable(form_dialog_tests ${CMAKE_CURRENT_LIST_DIR}/form_dialog_test.cc)
target_include_directories(form_dialog_tests PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(form_dialog_tests PRIVATE verolin_platform GTest::gtest)
verolin_warnings(form_dialog_tests)
add_test(NAME form_dialog_tests COMMAND bash ${PROJECT_SOURCE_DIR}/tools/forms-windows.sh
                                           $<TARGET_FILE:form_dialog_tests>)
set_tests_properties(form_dialog_tests PROPERTIES ENVIRONMENT "VEROLIN_WINE_PREFIX=${PROJECT_BINARY_DIR}/prefix"
                                                  TIMEOUT 300)

add_executable(form_screens ${CMAKE_CURRENT_LIST_DIR}/form_screens.cc)
target_include_directories(form_screens PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(form_screens PRIVATE verolin_platform)
target_link_options(form_screens PRIVATE -municode)
verolin_warnings(form_screens)
