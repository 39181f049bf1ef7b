# Fails unless the DLL exports exactly the three entry points and needs no runtime DLL of the
# compiler (libstdc++, libgcc, libwinpthread) beside it.
execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${LIBRARY}")
endif()

# Export table lines look like "	[   0] DestroyObject".
string(REGEX MATCHALL "\n\t\\[ *[0-9]+\\] [A-Za-z_][A-Za-z0-9_@]*" entries "${dump}")
set(exports "")
foreach(entry IN LISTS entries)
    string(REGEX REPLACE "^.*\\] " "" name "${entry}")
    list(APPEND exports ${name})
endforeach()
list(SORT exports)
if(NOT exports STREQUAL "DestroyObject;GetClassNames;GetClassObject")
    message(FATAL_ERROR "exports of ${LIBRARY}: ${exports}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
foreach(import IN LISTS imports)
    if(import MATCHES "libstdc\\+\\+|libgcc|libwinpthread|pthread")
        message(FATAL_ERROR "${LIBRARY} needs a compiler runtime DLL: ${import}")
    endif()
endforeach()
message(STATUS "exports: ${exports}; ${imports}")
