# The Debian package: `cpack -G DEB` in the build tree makes pomelu-rarorud-izad_<version>_amd64.deb
# from the system layout under /usr, its dependencies read from what the binaries link
# (dpkg-shlibdeps), binaries stripped, no maintainer scripts.
set(changelog "${CMAKE_CURRENT_BINARY_DIR}/changelog")
string(TIMESTAMP release_date "%a, %d %b %Y 00:00:00 +0000" UTC)
# Written only when it changes, so the build does not redo it at every configure.
file(CONFIGURE OUTPUT "${changelog}" CONTENT
     "pomelu-rarorud-izad (${PROJECT_VERSION}) unstable; urgency=medium\n\n  * Release ${PROJECT_VERSION}.\n\n -- Pomelu ZEZ <info@pomelu.example>  ${release_date}\n")
add_custom_command(OUTPUT "${changelog}.gz"
    COMMAND gzip -9nkf "${changelog}"
    DEPENDS "${changelog}"
    VERBATIM)
add_custom_target(pomelu_changelog ALL DEPENDS "${changelog}.gz")
install(FILES copyright "${changelog}.gz" DESTINATION ${doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pomelu-rarorud-izad)
set(CPACK_PACKAGE_VENDOR "Pomelu ZEZ")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Pomelu ZEZ <info@pomelu.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://pomelu.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "voice effect rack as a VST 3 plug-in, renderer and JACK program
Eleven modules (Pop Cut, S Clear, EQ, Distortion, Phaser, Tremolo, Leveler,
Comp, Clip Guard, Delay, Reverb) in an order you choose, with five factory
presets and A/B compare, for singing, narration and podcasts.
.
The package holds the VST 3 plug-in for hosts such as Ardour, Bitwig Studio
and REAPER, pomelu-render to run sound files through it and deliver them at
podcast loudness, pomelu-snapshot to draw its editor to PNG, and
pomelu-standalone to run it on a microphone through JACK.")
include(CPack)
