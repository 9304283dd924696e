# The Windows implementations of the platform's interfaces (paths relative to src/platform/).
set(platform_win32_sources
    win32/wide.cc
    win32/dialog_template.cc
    win32/host.cc
    win32/window_system.cc
    win32/registry.cc
    win32/clipboard.cc
    win32/files.cc
    win32/xml_http.cc
    win32/com_objects.cc
    win32/windows_platform.cc
    win32/standin_system.cc)
# verolin_com wraps the objects that COM creates.
set(platform_win32_libraries verolin_com ole32 oleaut32 uuid advapi32 user32 gdi32 wininet)

# The control's forms as modal dialogs, and the picture files they show.
list(APPEND platform_win32_sources win32/form_dialog.cc win32/form_layout.cc win32/picture_bitmap.cc)
