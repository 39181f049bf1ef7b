# The component of kind 1 in the test browser with the COM add-in fixture beside it; the
# fixture also lies beside the test program, which holds it loaded to read its counters. In
# the Windows x64 build these are the component's only tests.
set(com_fixture_copy ${QUILLON_FIREFOX_COM_DIR}/ComAddInFixture.dll)
add_custom_command(OUTPUT ${com_fixture_copy}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:com_addin_fixture> ${com_fixture_copy}
    DEPENDS com_addin_fixture
    COMMENT "The COM add-in fixture beside the Firefox component of kind 1")
add_custom_target(firefox_com_component ALL DEPENDS ${com_fixture_copy})
add_dependencies(firefox_com_component ${QUILLON_FIREFOX_TARGET}Com)
firefox_test(firefox_com_tests "firefox;threaded" windows/com_adapter_test.cpp)
target_link_libraries(firefox_com_tests PRIVATE com_addin_test_support quillon_firefox_values)
target_compile_definitions(firefox_com_tests PRIVATE
    VELMOR_FIREFOX_COM_COMPONENT="$<TARGET_FILE:${QUILLON_FIREFOX_TARGET}Com>")
target_compile_options(firefox_com_tests PRIVATE -Wno-non-virtual-dtor)
add_dependencies(firefox_com_tests firefox_com_component velmor_wine_prefix)
# The component registers the copy beside it for the user, where every other COM test
# registers the copy beside the test programs: none of them may run meanwhile.
set(_serial_file ${CMAKE_CURRENT_BINARY_DIR}/firefox_com_tests_serial.cmake)
file(WRITE ${_serial_file} "foreach(_t IN LISTS firefox_com_tests_list)\n"
                           "    set_tests_properties(\"\${_t}\" PROPERTIES RUN_SERIAL TRUE)\n"
                           "endforeach()\n")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_serial_file})
