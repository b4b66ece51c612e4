# Run by cmake --install: copies the Linux plug-in into the VST 2 folder. The values set before
# this script come from the configured build; CMAKE_INSTALL_PREFIX is the one of this install.
if(DEFINED ENV{VST_DIR} AND NOT "$ENV{VST_DIR}" STREQUAL "")
    set(destination "$ENV{VST_DIR}")
elseif(NOT TOVREL_VST_DIR STREQUAL "")
    set(destination "${TOVREL_VST_DIR}")
elseif(NOT TOVREL_DEFAULT_PREFIX STREQUAL "" AND CMAKE_INSTALL_PREFIX STREQUAL TOVREL_DEFAULT_PREFIX)
    if(NOT DEFINED ENV{HOME} OR "$ENV{HOME}" STREQUAL "")
        message(FATAL_ERROR "HOME is not set: give the plug-in folder with VST_DIR or an install prefix")
    endif()
    set(destination "$ENV{HOME}/.vst")
else()
    set(destination "${CMAKE_INSTALL_PREFIX}/lib/vst")
endif()
file(INSTALL "${TOVREL_PLUGIN_FILE}" DESTINATION "${destination}"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
