# The page-script runner's tests under Wine (the prefix is the one tools/test-windows.sh prepares).
set(VEROLIN_WINE_ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/prefix" "WINEDEBUG=-all"
    "WINEDLLOVERRIDES=mscoree,mshtml=" "LC_ALL=zh_CN.UTF-8" "DISPLAY=")
add_executable(run_watchdog_test ${CMAKE_CURRENT_LIST_DIR}/run_watchdog_test.cc)
target_link_libraries(run_watchdog_test PRIVATE verolin_com_runner GTest::gtest GTest::gtest_main)
target_include_directories(run_watchdog_test PRIVATE ${PROJECT_SOURCE_DIR}/src)
verolin_warnings(run_watchdog_test)
add_test(NAME run_watchdog COMMAND wine $<TARGET_FILE:run_watchdog_test>)
set_tests_properties(run_watchdog PROPERTIES ENVIRONMENT "${VEROLIN_WINE_ENVIRONMENT}" TIMEOUT 120)
