# The forms as real dialogs, driven by window messages under Wine with the null graphics driver, and the
# program that takes their screenshots (tools/screens-windows.sh).
verolin_windows_test(form_dialog_tests SOURCES form_dialog_test.cc DEPS verolin_platform)
# The clipboard and the keyboard belong to the whole Wine desktop: tests that use them run one at a time.
set_tests_properties(form_dialog_tests PROPERTIES RESOURCE_LOCK wine_clipboard_and_keyboard)
verolin_windows_test(form_model_tests SOURCES form_models_test.cc DEPS verolin_seal verolin_platform)
verolin_windows_test(form_handwriting_tests SOURCES form_handwriting_test.cc DEPS verolin_seal verolin_platform)
set_tests_properties(form_handwriting_tests PROPERTIES RESOURCE_LOCK wine_clipboard_and_keyboard)
verolin_windows_test(form_seal_tests SOURCES form_seal_test.cc DEPS verolin_seal verolin_platform ws2_32)

add_executable(form_screens ${CMAKE_CURRENT_LIST_DIR}/form_screens.cc)
target_include_directories(form_screens PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(form_screens PRIVATE verolin_seal verolin_platform ws2_32)
target_link_options(form_screens PRIVATE -municode)
verolin_warnings(form_screens)
# Not a test: kept out of tests/windows/, whose programs the Windows test script runs one by one.
set_target_properties(form_screens PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/screens-program)
# The control in a page with the word processor embedded, a seal and a signature placed: control.png.
if(TARGET VerolinSystem AND TARGET verolin_word_server)
  add_executable(control_screens ${CMAKE_CURRENT_LIST_DIR}/control_screens.cc)
  target_include_directories(control_screens PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(control_screens PRIVATE verolin_com verolin_platform verolin_crypto ws2_32 ole32 oleaut32
                                                uuid user32 gdi32)
  target_link_options(control_screens PRIVATE -municode)
  verolin_warnings(control_screens)
  set_target_properties(control_screens PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/screens-program)
  add_dependencies(control_screens VerolinSystem verolin_word_server)
endif()
if(TARGET control_screens)
  # Registering "Word.Application" changes the machine: a prefix of its own.
  verolin_windows_test(control_scene_tests SOURCES control_scene_test.cc
                       DEPS verolin_com verolin_platform verolin_crypto ws2_32 ole32 oleaut32 uuid user32 gdi32)
  set_tests_properties(control_scene_tests PROPERTIES ENVIRONMENT
                       "VEROLIN_WINE_PREFIX=${PROJECT_BINARY_DIR}/prefix-control" RESOURCE_LOCK wine_clipboard_and_keyboard)
  add_dependencies(control_scene_tests VerolinSystem verolin_word_server)
endif()
