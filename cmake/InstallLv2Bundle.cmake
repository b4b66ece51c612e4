# Run by cmake --install: copies the LV2 bundle into the LV2 folder. The values set before this
# script come from the configured build; CMAKE_INSTALL_PREFIX is the one of this install.
if(DEFINED ENV{LV2_DIR} AND NOT "$ENV{LV2_DIR}" STREQUAL "")
    set(destination "$ENV{LV2_DIR}")
elseif(NOT TOVREL_LV2_DIR STREQUAL "")
    set(destination "${TOVREL_LV2_DIR}")
elseif(NOT TOVREL_DEFAULT_PREFIX STREQUAL "" AND CMAKE_INSTALL_PREFIX STREQUAL TOVREL_DEFAULT_PREFIX)
    if(NOT DEFINED ENV{HOME} OR "$ENV{HOME}" STREQUAL "")
        message(FATAL_ERROR "HOME is not set: give the LV2 folder with LV2_DIR or an install prefix")
    endif()
    set(destination "$ENV{HOME}/.lv2")
else()
    set(destination "${CMAKE_INSTALL_PREFIX}/lib/lv2")
endif()
# A bundle left from an earlier version must not keep files that this one no longer has.
file(REMOVE_RECURSE "$ENV{DESTDIR}${destination}/tovrel.lv2")
file(INSTALL "${TOVREL_BUNDLE}" DESTINATION "${destination}"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
     DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
