# The version probe from a browser folder given by the test: the stand-in browser program, the
# XPCOM library it imports and an "application.ini" are put there, and the program is started
# by Wine from the host, which takes a program path of any length (a Windows program's
# CreateProcess under Wine takes none beyond MAX_PATH).
#   cmake -DRUNNER= -DPREFIX= -DPROBE= -DRUNTIME= -DCOMPONENT= -DWORK= -DFOLDER= -DINI= -DEXPECTED=
#         -P probe_from_folder.cmake
foreach(_required RUNNER PREFIX PROBE RUNTIME COMPONENT WORK FOLDER INI EXPECTED)
    if(NOT DEFINED ${_required})
        message(FATAL_ERROR "${_required} is not set")
    endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
set(_folder ${WORK}/${FOLDER})
file(MAKE_DIRECTORY ${_folder})
get_filename_component(_runtime_name ${RUNTIME} NAME)
file(COPY_FILE ${PROBE} ${_folder}/firefox.exe)
file(COPY_FILE ${RUNTIME} ${_folder}/${_runtime_name})
file(WRITE ${_folder}/application.ini "${INI}\n")
string(LENGTH "${_folder}/firefox.exe" _length)

execute_process(COMMAND ${RUNNER} --plain ${PREFIX} ${_folder}/firefox.exe Z:${COMPONENT}
                OUTPUT_VARIABLE _output ERROR_VARIABLE _output RESULT_VARIABLE _result
                TIMEOUT 60)
file(REMOVE_RECURSE ${WORK})
string(REPLACE "\r" "" _output "${_output}")
string(STRIP "${_output}" _output)
if(NOT _output STREQUAL EXPECTED)
    message(FATAL_ERROR "a program path of ${_length} characters printed\n  ${_output}\n"
                        "(exit ${_result}), expected\n  ${EXPECTED}")
endif()
message(STATUS "a program path of ${_length} characters: ${_output}")
