# Windows x86 with mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VELMOR_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Module definitions list stdcall exports (the COM entry points) by their plain names.
string(APPEND CMAKE_SHARED_LINKER_FLAGS_INIT " -Wl,--enable-stdcall-fixup")
