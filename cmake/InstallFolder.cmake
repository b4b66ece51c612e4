# Included by the install scripts (run by cmake --install): the folder that a plug-in goes into.
# Exactly the folder that the environment variable ENV_NAME names, else the one configured, else
# the user's HOME_FOLDER (~/.vst, ~/.lv2) when the install prefix is CMake's own default, else
# PREFIX_FOLDER below the install prefix (lib/vst, lib/lv2). TOVREL_DEFAULT_PREFIX comes from the
# configured build; CMAKE_INSTALL_PREFIX is the one of this install.
function(tovrel_install_folder result env_name configured home_folder prefix_folder what)
    if(DEFINED ENV{${env_name}} AND NOT "$ENV{${env_name}}" STREQUAL "")
        set(destination "$ENV{${env_name}}")
    elseif(NOT configured STREQUAL "")
        set(destination "${configured}")
    elseif(NOT TOVREL_DEFAULT_PREFIX STREQUAL "" AND CMAKE_INSTALL_PREFIX STREQUAL TOVREL_DEFAULT_PREFIX)
        if(NOT DEFINED ENV{HOME} OR "$ENV{HOME}" STREQUAL "")
            message(FATAL_ERROR "HOME is not set: give the ${what} with ${env_name} or an install prefix")
        endif()
        set(destination "$ENV{HOME}/${home_folder}")
    else()
        set(destination "${CMAKE_INSTALL_PREFIX}/${prefix_folder}")
    endif()
    set(${result} "${destination}" PARENT_SCOPE)
endfunction()
