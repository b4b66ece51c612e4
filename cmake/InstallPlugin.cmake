# Run by cmake --install: copies the Linux plug-in into the VST 2 folder. The values set before
# this script come from the configured build; CMAKE_INSTALL_PREFIX is the one of this install.
include(${CMAKE_CURRENT_LIST_DIR}/InstallFolder.cmake)
tovrel_install_folder(destination VST_DIR "${TOVREL_VST_DIR}" .vst lib/vst "plug-in folder")
file(INSTALL "${TOVREL_PLUGIN_FILE}" DESTINATION "${destination}"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
