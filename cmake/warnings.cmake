# Warnings are errors in our own code; third-party headers come in as system includes.
function(velmor_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wshadow -Wnon-virtual-dtor
                                             -Wno-missing-field-initializers)
endfunction()

# COM objects are destroyed by their own Release, never through an interface pointer, and
# COM interfaces have no destructor by design: that one warning does not apply to them.
function(velmor_com_warnings target)
    velmor_warnings(${target})
    target_compile_options(${target} PRIVATE -Wno-non-virtual-dtor)
endfunction()
