# What the two mingw-w64 toolchains share. Set VELMOR_MINGW_TRIPLE before including this.
set(CMAKE_SYSTEM_NAME Windows)

# The -posix variants: the default ones have no std::thread or std::mutex.
set(CMAKE_C_COMPILER ${VELMOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELMOR_MINGW_TRIPLE}-windres)
find_program(VELMOR_WIDL NAMES ${VELMOR_MINGW_TRIPLE}-widl widl)

set(CMAKE_FIND_ROOT_PATH /usr/${VELMOR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Each DLL and EXE stands alone: the C++ runtime, libgcc and the pthread runtime are linked in,
# so nothing but system DLLs has to be shipped beside a deliverable.
set(_velmor_static_runtime "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_velmor_static_runtime}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_velmor_static_runtime}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_velmor_static_runtime}")

# Windows programs run under Wine, in a prefix private to this build tree.
get_filename_component(_velmor_source_dir ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${_velmor_source_dir}/tools/wine_run.sh ${CMAKE_BINARY_DIR}/wine)
