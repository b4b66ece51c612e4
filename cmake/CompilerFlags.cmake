# Flags shared by every build.

set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

# Every build computes exactly the written arithmetic: no fused multiply-adds anywhere, and on
# 32-bit x86 SSE2 instead of the x87 unit, whose extended precision would change results. 32-bit
# Windows hosts align the stack to 4 bytes only, so every function realigns it.
add_compile_options(-ffp-contract=off)
if(TOVREL_X86_32)
    add_compile_options(-msse2 -mfpmath=sse -mstackrealign)
endif()
# 32-bit Linux code reads files and folders through the 64-bit calls: the 32-bit ones fail with
# EOVERFLOW on a file system whose inode numbers or folder offsets do not fit 32 bits (the editor's
# settings folder is looked at with stat; a folder listing under qemu-user ends at once on ext4).
if(TOVREL_X86_32 AND NOT WIN32)
    add_compile_definitions(_FILE_OFFSET_BITS=64)
endif()

# The binaries carry their C and C++ runtimes. The sanitizer builds link them as shared libraries
# instead: a plug-in that carries its own C++ runtime leaves that runtime's exception pool behind
# when a test host unloads it, which the leak checker would report at every unload.
option(TOVREL_STATIC_RUNTIME "Link the C and C++ runtimes into the binaries" ON)
if(WIN32)
    add_link_options(-static)
elseif(TOVREL_STATIC_RUNTIME)
    add_link_options(-static-libstdc++ -static-libgcc)
endif()

# Warnings are errors in the project's own code (not in the test framework's): every project
# target links this one interface target, which carries them.
add_library(tovrel_warning_flags INTERFACE)
target_compile_options(tovrel_warning_flags INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wconversion -Wsign-conversion -Wold-style-cast
    -Woverloaded-virtual -Werror)
function(tovrel_warnings target)
    target_link_libraries(${target} PRIVATE tovrel_warning_flags)
endfunction()

# What users get must not depend on where it was built: the source and build folders' paths are
# written relative in __FILE__ and in the debug information, and Windows images carry no link
# time stamp. Building one commit in two folders then gives byte-identical plug-ins.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
if(WIN32)
    add_link_options(-Wl,--no-insert-timestamp)
endif()
