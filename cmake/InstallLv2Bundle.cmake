# Run by cmake --install: copies the LV2 bundle into the LV2 folder. The values set before this
# script come from the configured build; CMAKE_INSTALL_PREFIX is the one of this install.
include(${CMAKE_CURRENT_LIST_DIR}/InstallFolder.cmake)
tovrel_install_folder(destination LV2_DIR "${TOVREL_LV2_DIR}" .lv2 lib/lv2 "LV2 folder")
# A bundle left from an earlier version must not keep files that this one no longer has.
file(REMOVE_RECURSE "$ENV{DESTDIR}${destination}/tovrel.lv2")
file(INSTALL "${TOVREL_BUNDLE}" DESTINATION "${destination}"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
     DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
