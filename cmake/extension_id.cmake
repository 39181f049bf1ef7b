# The test extension's identifier, derived from the public key in its manifest so that the
# two cannot drift apart: the first 32 hex digits of the SHA-256 of the DER key, each digit
# mapped 0-9a-f to a-p. Sets VELMOR_EXTENSION_ID and VELMOR_ALLOWED_ORIGIN.
set(VELMOR_EXTENSION_MANIFEST ${PROJECT_SOURCE_DIR}/tests/e2e/extension/manifest.json)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${VELMOR_EXTENSION_MANIFEST})
file(READ ${VELMOR_EXTENSION_MANIFEST} _manifest)
string(JSON _key GET "${_manifest}" key)
# CMake cannot decode base64, so the key's digest comes from openssl.
find_program(OPENSSL_PROGRAM openssl REQUIRED)
execute_process(
    COMMAND ${CMAKE_COMMAND} -E echo_append "${_key}"
    COMMAND ${OPENSSL_PROGRAM} base64 -d -A
    COMMAND ${OPENSSL_PROGRAM} dgst -sha256 -hex
    OUTPUT_VARIABLE _digest RESULT_VARIABLE _rc OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "could not hash the extension key")
endif()
string(REGEX REPLACE "^.*= *" "" _digest "${_digest}")
string(SUBSTRING "${_digest}" 0 32 _hex)
set(_id "")
string(LENGTH "${_hex}" _n)
math(EXPR _last "${_n} - 1")
foreach(i RANGE ${_last})
    string(SUBSTRING "${_hex}" ${i} 1 _digit)
    string(FIND "0123456789abcdef" "${_digit}" _value)
    string(SUBSTRING "abcdefghijklmnop" ${_value} 1 _letter)
    string(APPEND _id "${_letter}")
endforeach()
set(VELMOR_EXTENSION_ID ${_id})
set(VELMOR_ALLOWED_ORIGIN "chrome-extension://${_id}/")
message(STATUS "Allowed origin: ${VELMOR_ALLOWED_ORIGIN}")
