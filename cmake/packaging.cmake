# Debian packages by CPack (scripts/package): "kessamir" (the program, its desktop entry, icon,
# manual page, AppStream data and help text) and "kessamir-standins" (the stand-in companion
# programs and the demo folder generator). Their dependencies are computed from the binaries by
# dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME kessamir)
set(CPACK_PACKAGE_VENDOR "KESSAMIR developers")
set(KESS_MAINTAINER "KESSAMIR developers <developers@kessamir.org>" CACHE STRING
    "Maintainer of the Debian packages (name <address>)")
set(CPACK_PACKAGE_CONTACT "${KESS_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://kessamir.org/")
# Each package's description is one string (a CMake list would put a ';' into it): its first
# line is the package's own summary, the rest the long description in lines under 80 characters.
# No CPACK_PACKAGE_DESCRIPTION_SUMMARY: CPack would put that one summary before both.
string(CONCAT CPACK_COMPONENT_KESSAMIR_DESCRIPTION
       "automated weather forecasts for many sites\n"
       "KESSAMIR, the Multiple Site Automated Forecasting System, runs weather\n"
       "forecasts for up to 99 sites, unattended, at the hours you choose, by\n"
       "driving the companion programs that share its working folder.")
string(CONCAT CPACK_COMPONENT_STANDINS_DESCRIPTION
       "stand-in companion programs and demo folder for KESSAMIR\n"
       "Stand-in companion programs for KESSAMIR. They follow the companions' file\n"
       "protocol and make a synthetic, clearly labelled forecast, for trying\n"
       "KESSAMIR, and the generator of its demo working folder.")
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
# The first start's demo folder needs the stand-in programs.
set(CPACK_DEBIAN_KESSAMIR_PACKAGE_SUGGESTS "kessamir-standins")
set(CPACK_DEBIAN_STANDINS_PACKAGE_NAME kessamir-standins)
include(CPack)
