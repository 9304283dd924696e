# The Windows build's dependencies, from Debian's packages: zlib for mingw (libz-mingw-w64-dev), Duktape's
# single-file source (duktape-dev) and GoogleTest's sources (googletest), compiled here with the
# cross-compiler. No curl, SQLite or server: the control talks HTTP through the platform's own
# request object, and the server stays a Linux program.
set(THREADS_PREFER_PTHREAD_FLAG ON)
find_package(Threads REQUIRED)
# The static zlib, so that the control needs no zlib1.dll beside it.
set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)

add_library(verolin_duktape STATIC /usr/share/duktape/duktape.c)
set_target_properties(verolin_duktape PROPERTIES LINKER_LANGUAGE C)
target_include_directories(verolin_duktape SYSTEM PUBLIC /usr/share/duktape)
add_library(PkgConfig::DUKTAPE ALIAS verolin_duktape)
enable_language(C)

set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# The folders whose sources build for both systems; the platform and crypto folders pick their Windows
# files themselves, and the page scripts leave the stand-in page to Linux.
set(VEROLIN_FOLDERS automation text platform crypto wordproc control transfer seal commands activex script)

# Targets that exist only on Windows: the COM server and what runs under Wine.
macro(verolin_windows_targets)
  foreach(folder IN ITEMS com)
    if(EXISTS ${PROJECT_SOURCE_DIR}/src/${folder}/CMakeLists.txt)
      add_subdirectory(src/${folder})
    endif()
  endforeach()
  # The page-script runner and the word processor's server.
  if(EXISTS ${PROJECT_SOURCE_DIR}/src/com/runner.cmake)
    include(src/com/runner.cmake)
  endif()
  if(EXISTS ${PROJECT_SOURCE_DIR}/tests/windows/CMakeLists.txt)
    add_subdirectory(tests/windows)
  endif()
endmacro()
