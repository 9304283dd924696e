# The Windows implementations of the platform's interfaces (paths relative to src/platform/).
set(platform_win32_sources)
set(platform_win32_libraries ole32 oleaut32 uuid advapi32 user32 gdi32)

# The control's forms as modal dialogs, and the picture files they show.
list(APPEND platform_win32_sources win32/form_dialog.cc win32/form_layout.cc win32/picture_bitmap.cc)
