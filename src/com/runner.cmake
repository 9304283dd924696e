# The page-script runner for Windows: `verolin.exe run` creates the control by its ProgID through COM,
# and a watchdog answers the control's modal windows with the script's handlers.
add_library(verolin_com_trace STATIC ${CMAKE_CURRENT_LIST_DIR}/trace_sink.cc)
target_include_directories(verolin_com_trace PUBLIC ${PROJECT_SOURCE_DIR}/src)
verolin_warnings(verolin_com_trace)

add_library(verolin_com_runner STATIC ${CMAKE_CURRENT_LIST_DIR}/dialog_watchdog.cc ${CMAKE_CURRENT_LIST_DIR}/drive_files.cc
                                      ${CMAKE_CURRENT_LIST_DIR}/run_world.cc)
target_include_directories(verolin_com_runner PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(verolin_com_runner PUBLIC verolin_script verolin_com wininet user32 ole32 oleaut32)
verolin_warnings(verolin_com_runner)

add_executable(verolin ${CMAKE_CURRENT_LIST_DIR}/run_main.cc)
target_link_libraries(verolin PRIVATE verolin_com_runner verolin_com_trace shell32)
verolin_warnings(verolin)
