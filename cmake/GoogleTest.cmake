# GoogleTest from the distribution's sources, built with each toolchain.
set(TOVREL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${TOVREL_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${TOVREL_GTEST_SOURCE}; run tools/scripts/install-deps.sh")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${TOVREL_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
include(GoogleTest)

# A GoogleTest program whose cases CTest lists one by one. Discovery runs when ctest starts, so
# emulated builds (Wine, qemu) must have their emulator ready by then.
function(tovrel_gtest target)
    cmake_parse_arguments(ARG "" "WORKING_DIRECTORY" "SOURCES;LIBRARIES;EXTRA_ARGS;PROPERTIES" ${ARGN})
    add_executable(${target} ${ARG_SOURCES})
    tovrel_warnings(${target})
    target_link_libraries(${target} PRIVATE ${ARG_LIBRARIES} GTest::gtest GTest::gtest_main GTest::gmock)
    if(NOT ARG_WORKING_DIRECTORY)
        set(ARG_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    endif()
    if(NOT TOVREL_RUN_TESTS)
        return()
    endif()
    gtest_discover_tests(${target}
        EXTRA_ARGS ${ARG_EXTRA_ARGS}
        WORKING_DIRECTORY ${ARG_WORKING_DIRECTORY}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 120
        PROPERTIES ${ARG_PROPERTIES})
endfunction()
