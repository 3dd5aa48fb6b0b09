# Where `cmake --install` puts things.
#
# Left at its default, the prefix is the user's ~/.local: programs into ~/.local/bin, data into
# ~/.local/share (manual pages, the menu entry, icons, documentation), and plug-in bundles into the
# per-user folders hosts scan (~/.vst3, ~/.lv2). Any other prefix (`--prefix`, a configured
# CMAKE_INSTALL_PREFIX, a package build) is a system layout: <prefix>/bin, <prefix>/share and the
# bundles under <prefix>/lib. DESTDIR applies to both.
set(POMELU_USER_PREFIX "$ENV{HOME}/.local")
# Trees configured before the per-user prefix kept the old default (/usr/local) as a marker.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT
   OR (DEFINED POMELU_DEFAULT_INSTALL_PREFIX AND CMAKE_INSTALL_PREFIX STREQUAL POMELU_DEFAULT_INSTALL_PREFIX))
    set(CMAKE_INSTALL_PREFIX "${POMELU_USER_PREFIX}" CACHE PATH "Install prefix (default: per-user, ~/.local)" FORCE)
    unset(POMELU_DEFAULT_INSTALL_PREFIX CACHE)
endif()

# Installs a built plug-in bundle (a folder): into ~/<user_folder> when installing per-user, else
# into <prefix>/<system_folder>. Example: pomelu_install_bundle("${dir}/X.vst3" .vst3 lib/vst3).
# `cmake --install --strip` (and the package) strips the shared objects in it.
function(pomelu_install_bundle bundle_dir user_folder system_folder)
    get_filename_component(bundle_name "${bundle_dir}" NAME)
    install(CODE "
        if(\"\${CMAKE_INSTALL_PREFIX}\" STREQUAL \"${POMELU_USER_PREFIX}\")
            set(bundle_destination \"$ENV{HOME}/${user_folder}\")
        else()
            set(bundle_destination \"\${CMAKE_INSTALL_PREFIX}/${system_folder}\")
        endif()
        file(INSTALL DESTINATION \"\${bundle_destination}\" TYPE DIRECTORY FILES \"${bundle_dir}\"
             USE_SOURCE_PERMISSIONS)
        if(CMAKE_INSTALL_DO_STRIP)
            file(GLOB_RECURSE objects \"\$ENV{DESTDIR}\${bundle_destination}/${bundle_name}/*.so\")
            foreach(object IN LISTS objects)
                execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\${object}\" COMMAND_ERROR_IS_FATAL ANY)
            endforeach()
        endif()
    ")
endfunction()
