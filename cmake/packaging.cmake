# Debian packages by CPack (scripts/package): "kessamir" (the program, its desktop entry, icon
# and help text) and "kessamir-standins" (the stand-in companion programs and the demo folder
# generator). Their dependencies are computed from the binaries by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME kessamir)
set(CPACK_PACKAGE_VENDOR "KESSAMIR developers")
set(CPACK_PACKAGE_CONTACT "KESSAMIR developers <kessamir@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Multiple Site Automated Forecasting System")
set(CPACK_PACKAGE_DESCRIPTION
    "Runs weather forecasts for up to 99 sites, unattended, at the hours you choose, by driving "
    "the companion programs that share its working folder.")
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL kessamir standins)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_KESSAMIR_PACKAGE_NAME kessamir)
# Qt loads its window-system plugins at run time, which dpkg-shlibdeps cannot see; libqt6gui6
# only recommends them, and without them the window cannot open.
set(CPACK_DEBIAN_KESSAMIR_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_STANDINS_PACKAGE_NAME kessamir-standins)
set(CPACK_COMPONENT_KESSAMIR_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_COMPONENT_STANDINS_DESCRIPTION
    "Stand-in companion programs for KESSAMIR: they follow the companions' file protocol and "
    "make a synthetic, clearly labelled forecast, for trying KESSAMIR and for its demo.")
include(CPack)
