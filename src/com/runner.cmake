# The page-script runner for Windows: `verolin.exe run` creates the control by its ProgID through COM,
# and a watchdog answers the control's modal windows with the script's handlers.
add_library(verolin_com_runner STATIC ${CMAKE_CURRENT_LIST_DIR}/dialog_watchdog.cc)
target_include_directories(verolin_com_runner PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(verolin_com_runner PUBLIC verolin_script user32)
verolin_warnings(verolin_com_runner)
