# cmake -DCHANGELOG=… -DVERSION=… -P check-changelog.cmake: the newest entry of the changelog
# (its first "## <version>" heading) must be the project's version, so a release never ships
# with a changelog that stops at the previous one.
file(STRINGS "${CHANGELOG}" headings REGEX "^## ")
if(NOT headings)
    message(FATAL_ERROR "${CHANGELOG} has no version heading")
endif()
list(GET headings 0 top)
if(NOT top MATCHES "^## \\[?([0-9]+\\.[0-9]+\\.[0-9]+)\\]?( |$)")
    message(FATAL_ERROR "the first heading of ${CHANGELOG} names no version: '${top}'")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
    message(FATAL_ERROR "${CHANGELOG} starts at ${CMAKE_MATCH_1}, the project is ${VERSION}")
endif()
message(STATUS "${CHANGELOG} starts at ${VERSION}")
