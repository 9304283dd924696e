# The Windows implementations of the platform's interfaces (paths relative to src/platform/).
set(platform_win32_sources)
set(platform_win32_libraries ole32 oleaut32 uuid advapi32 user32 gdi32)
