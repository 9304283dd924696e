# The page-script runner for Windows: `verolin.exe run` creates the control by its ProgID through COM,
# and a watchdog answers the control's modal windows with the script's handlers.
# What the modules of one process share: the transcript's sink and the run's local time.
add_library(verolin_com_process STATIC ${CMAKE_CURRENT_LIST_DIR}/trace_sink.cc ${CMAKE_CURRENT_LIST_DIR}/local_clock.cc)
target_include_directories(verolin_com_process PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(verolin_com_process PUBLIC verolin_automation)
verolin_warnings(verolin_com_process)

add_library(verolin_com_runner STATIC ${CMAKE_CURRENT_LIST_DIR}/dialog_watchdog.cc ${CMAKE_CURRENT_LIST_DIR}/drive_files.cc
                                      ${CMAKE_CURRENT_LIST_DIR}/run_world.cc)
target_include_directories(verolin_com_runner PUBLIC ${PROJECT_SOURCE_DIR}/src)
# The colleague's control and word processor are linked in: they sit at another machine, on stand-ins.
target_link_libraries(verolin_com_runner PUBLIC verolin_script verolin_wordproc verolin_com verolin_com_process wininet
                                                user32 ole32 oleaut32)
verolin_warnings(verolin_com_runner)

add_executable(verolin ${CMAKE_CURRENT_LIST_DIR}/run_main.cc)
target_link_libraries(verolin PRIVATE verolin_com_runner shell32)
verolin_warnings(verolin)

# The stand-in word processor as the in-process server of "Word.Application" (wordproc.dll).
# What its main window shows, painted with GDI.
add_library(verolin_word_paint STATIC ${CMAKE_CURRENT_LIST_DIR}/word_paint.cc)
target_include_directories(verolin_word_paint PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(verolin_word_paint PUBLIC verolin_wordproc verolin_platform gdi32 msimg32)
verolin_warnings(verolin_word_paint)
add_library(verolin_word_platform STATIC ${CMAKE_CURRENT_LIST_DIR}/word_platform.cc)
target_link_libraries(verolin_word_platform PUBLIC verolin_com_runner verolin_platform verolin_word_paint)
verolin_warnings(verolin_word_platform)
add_library(verolin_word_server SHARED ${CMAKE_CURRENT_LIST_DIR}/word_server.cc
                                       ${CMAKE_CURRENT_LIST_DIR}/word_server.def)
set_target_properties(verolin_word_server PROPERTIES OUTPUT_NAME wordproc PREFIX "" RUNTIME_OUTPUT_DIRECTORY
                                                     ${PROJECT_BINARY_DIR})
target_link_libraries(verolin_word_server PRIVATE verolin_word_platform verolin_wordproc verolin_com
                                                  verolin_com_process ole32 oleaut32 advapi32)
verolin_warnings(verolin_word_server)
