# jsoncpp for the bridges, as the target velmor_jsoncpp.
# Linux builds use Debian's libjsoncpp-dev. Debian has no mingw build of it, so the Windows
# builds compile Debian's own source package of the same version (fetched and unpacked by
# tools/setup.sh) with their toolchain, and link it statically.
if(TARGET velmor_jsoncpp)
    return()
endif()

if(WIN32)
    set(VELMOR_JSONCPP_SOURCE_DIR /var/cache/velmor/jsoncpp/source CACHE PATH
        "The unpacked Debian source of jsoncpp (tools/setup.sh windows)")
    if(NOT EXISTS ${VELMOR_JSONCPP_SOURCE_DIR}/CMakeLists.txt)
        message(FATAL_ERROR "jsoncpp's source is not at ${VELMOR_JSONCPP_SOURCE_DIR}: "
                            "run tools/setup.sh windows")
    endif()
    # jsoncpp's own options are cache entries (its policies predate normal variables there).
    foreach(_off JSONCPP_WITH_TESTS JSONCPP_WITH_POST_BUILD_UNITTEST BUILD_SHARED_LIBS
                 BUILD_OBJECT_LIBS JSONCPP_WITH_PKGCONFIG_SUPPORT JSONCPP_WITH_CMAKE_PACKAGE)
        set(${_off} OFF CACHE BOOL "" FORCE)
    endforeach()
    set(BUILD_STATIC_LIBS ON CACHE BOOL "" FORCE)
    add_subdirectory(${VELMOR_JSONCPP_SOURCE_DIR} ${CMAKE_BINARY_DIR}/jsoncpp EXCLUDE_FROM_ALL SYSTEM)
    add_library(velmor_jsoncpp INTERFACE)
    target_link_libraries(velmor_jsoncpp INTERFACE jsoncpp_static)
else()
    find_package(jsoncpp CONFIG REQUIRED)
    add_library(velmor_jsoncpp INTERFACE)
    target_link_libraries(velmor_jsoncpp INTERFACE jsoncpp_lib)
endif()
