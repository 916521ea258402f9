# `make package`: a Debian package of both programs with their launcher entry, metainfo, icons
# and man pages. The package's library dependencies are worked out by dpkg-shlibdeps from the
# programs themselves.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rostermate)
set(CPACK_PACKAGE_VENDOR "The Rostermate developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ID lists of a brake-testing accelerometer")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Rostermate developers <developers@rostermate.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# CPack puts the summary first, then this text indented, with the empty line marked.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Rostermate reads, edits and writes the lists kept by a handheld brake-testing
accelerometer (vehicle and trailer IDs, site conditions, brake types, driver
names, the company name and Bluetooth devices) over a serial port, sets the
instrument's clock and keeps each instrument's lists in files.

rostermate-sim simulates the instrument on a pseudo-terminal.")
include(CPack)
