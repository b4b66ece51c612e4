# cmake -DRESOURCE_SCRIPT=tovrel_vst.rc -DOUTPUT=EmbeddedBitmaps.cpp -P embed_bitmaps.cmake
#
# Writes the editor's bitmap files, as the Windows resource script lists them ("NUMBER BITMAP
# "file.bmp""), into a C++ source as byte arrays with a table ordered by number: on Linux the
# plug-in has no resources, so the same files and the same numbers travel inside the library.
cmake_minimum_required(VERSION 3.25)

get_filename_component(folder ${RESOURCE_SCRIPT} DIRECTORY)
get_filename_component(script_name ${RESOURCE_SCRIPT} NAME)
file(STRINGS ${RESOURCE_SCRIPT} lines REGEX "^[ \t]*[0-9]+[ \t]+BITMAP[ \t]+\"[^\"]+\"")

set(entries "")
foreach(line IN LISTS lines)
    string(REGEX MATCH "^[ \t]*([0-9]+)[ \t]+BITMAP[ \t]+\"([^\"]+)\"" ignored "${line}")
    list(APPEND entries "${CMAKE_MATCH_1}:${CMAKE_MATCH_2}")
endforeach()
# The table is searched by halving: sort by number (zero-padded so that text order is numeric).
set(padded "")
foreach(entry IN LISTS entries)
    string(REPLACE ":" ";" parts "${entry}")
    list(GET parts 0 number)
    list(GET parts 1 name)
    string(LENGTH "${number}" digits)
    math(EXPR zeros "10 - ${digits}")
    string(REPEAT "0" ${zeros} prefix)
    list(APPEND padded "${prefix}${number}:${number}:${name}")
endforeach()
list(SORT padded)

# CMake's expressions have no counted repetition: sixteen bytes spelled out.
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 sixteen)
set(arrays "")
set(table "")
foreach(entry IN LISTS padded)
    string(REPLACE ":" ";" parts "${entry}")
    list(GET parts 1 number)
    list(GET parts 2 name)
    file(READ ${folder}/${name} hex HEX)
    string(LENGTH "${hex}" hex_length)
    math(EXPR size "${hex_length} / 2")
    # Sixteen bytes to a line keeps the generated file readable in a diff.
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "(${sixteen})" "\\1\n    " bytes "${bytes}")
    string(APPEND arrays "// ${name}\nconst uint8_t bitmap${number}[${size}] = {\n    ${bytes}\n};\n\n")
    string(APPEND table "    {${number}, bitmap${number}, sizeof(bitmap${number})},\n")
endforeach()
list(LENGTH padded count)

file(CONFIGURE OUTPUT ${OUTPUT} @ONLY CONTENT [=[
// Generated from resources/@script_name@ by embed_bitmaps.cmake: do not edit.
#include "gui/platform/x11/EmbeddedBitmaps.h"

namespace tovrel {

namespace {

@arrays@const EmbeddedBitmap table[@count@] = {
@table@};

} // namespace

const EmbeddedBitmap* embeddedBitmapsBegin() { return table; }
const EmbeddedBitmap* embeddedBitmapsEnd() { return table + @count@; }

} // namespace tovrel
]=])
