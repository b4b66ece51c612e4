# tovrel_xvfb_test(NAME name [DPI dots-per-inch] COMMAND command [args...] [WORKING_DIRECTORY dir])
#
# A test that needs an X server: tools/scripts/xvfb-run gives each run a screen-less server of
# its own on a free display (so such tests may run in parallel), with "Xft.dpi" set in its
# resources when DPI is given, and stops it afterwards. In an emulated build (the 32-bit one under
# qemu-user) the program runs under the emulator beside the native server: only the X protocol
# crosses the socket between them.
function(tovrel_xvfb_test)
    cmake_parse_arguments(ARG "" "NAME;DPI;WORKING_DIRECTORY" "COMMAND" ${ARGN})
    set(options "")
    if(ARG_DPI)
        set(options --dpi ${ARG_DPI})
    endif()
    if(NOT ARG_WORKING_DIRECTORY)
        set(ARG_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    endif()
    # add_test puts the emulator before a target's name only; here the script comes first.
    set(command ${ARG_COMMAND})
    if(CMAKE_CROSSCOMPILING_EMULATOR)
        list(PREPEND command ${CMAKE_CROSSCOMPILING_EMULATOR})
    endif()
    add_test(NAME ${ARG_NAME}
        COMMAND ${PROJECT_SOURCE_DIR}/tools/scripts/xvfb-run ${options} -- ${command}
        WORKING_DIRECTORY ${ARG_WORKING_DIRECTORY})
    set_tests_properties(${ARG_NAME} PROPERTIES TIMEOUT 300)
endfunction()
