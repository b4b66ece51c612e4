# tovrel_xvfb_test(NAME name [DPI dots-per-inch] COMMAND command [args...] [WORKING_DIRECTORY dir])
#
# A test that needs an X server: tools/scripts/xvfb-run gives each run a screen-less server of
# its own on a free display (so such tests may run in parallel), with "Xft.dpi" set in its
# resources when DPI is given, and stops it afterwards.
function(tovrel_xvfb_test)
    cmake_parse_arguments(ARG "" "NAME;DPI;WORKING_DIRECTORY" "COMMAND" ${ARGN})
    set(options "")
    if(ARG_DPI)
        set(options --dpi ${ARG_DPI})
    endif()
    if(NOT ARG_WORKING_DIRECTORY)
        set(ARG_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    endif()
    add_test(NAME ${ARG_NAME}
        COMMAND ${PROJECT_SOURCE_DIR}/tools/scripts/xvfb-run ${options} -- ${ARG_COMMAND}
        WORKING_DIRECTORY ${ARG_WORKING_DIRECTORY})
    set_tests_properties(${ARG_NAME} PROPERTIES TIMEOUT 300)
endfunction()
