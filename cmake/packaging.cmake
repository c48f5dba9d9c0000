# The Debian package, made with CPack's DEB generator:
#
#   cd build && cpack -G DEB        # or: bash scripts/package.sh
#
# It holds what `cmake --install` installs, under /usr, and adds what Debian
# wants beside it in the package only: the manual pages compressed, the
# copyright file and the changelog. cmake/debian/stage.cmake does that on
# CPack's staging folder, so `cmake --install` stays as it is.
if(NOT SORREL_BUILD_GUI)
    return()
endif()

set(SORREL_PACKAGE_MAINTAINER "The Sorrel developers <sorrel@example.org>"
    CACHE STRING "Name and e-mail address of the Debian package's maintainer")
find_program(SORREL_GZIP gzip REQUIRED)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sorrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Sorrel developers")
set(CPACK_PACKAGE_CONTACT "${SORREL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

# sorrel_VERSION_ARCH.deb; the architecture is dpkg's (amd64 on a PC).
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SORREL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The libraries come from dpkg-shlibdeps; the program also loads Qt's Russian
# translations of its dialogs and uses the Liberation fonts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The synopsis, then the extended description.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "disassembler for Sorrel program images")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[Sorrel is a desktop disassembler for the Sorrel, a processor whose
instructions are single 16-bit words. It opens a flat image of program
memory and lists it word by word: each word's address, its sixteen bits
and its disassembly. The listing can be searched, jumps can be followed
and are drawn as arrows beside it, and a second window shows the image
byte by byte.

The command-line lister sorrel-dis prints the same listings as text.
Example images are installed in /usr/share/sorrel/samples.]=])

# Read by cmake/debian/stage.cmake when CPack runs.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/debian/stage.cmake)
set(CPACK_SORREL_DEBIAN_DIR ${CMAKE_CURRENT_LIST_DIR}/debian)
set(CPACK_SORREL_MANDIR ${CMAKE_INSTALL_MANDIR})
set(CPACK_SORREL_GZIP ${SORREL_GZIP})

include(CPack)
