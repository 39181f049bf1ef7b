# Warnings are errors in our own code; third-party headers come in as system includes.
function(velmor_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wshadow -Wnon-virtual-dtor
                                             -Wno-missing-field-initializers)
endfunction()
