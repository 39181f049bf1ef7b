# Boost's header-only libraries as Boost::headers. Natively Debian's CMake package; a mingw
# build cannot take the system include folder (it holds the Linux C library's headers), so
# it sees Debian's Boost headers alone through a folder that holds nothing but them.
if(TARGET Boost::headers)
    return()
endif()
if(WIN32)
    set(_velmor_boost_root ${CMAKE_BINARY_DIR}/boost-headers)
    if(NOT EXISTS /usr/include/boost/version.hpp)
        message(FATAL_ERROR "Boost's headers are missing: run tools/setup.sh windows")
    endif()
    file(MAKE_DIRECTORY ${_velmor_boost_root})
    file(CREATE_LINK /usr/include/boost ${_velmor_boost_root}/boost SYMBOLIC)
    add_library(Boost::headers INTERFACE IMPORTED)
    set_target_properties(Boost::headers PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES ${_velmor_boost_root}
        INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${_velmor_boost_root})
else()
    find_package(Boost REQUIRED)
endif()
