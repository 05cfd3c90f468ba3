# The Debian package: `cpack -G DEB` in a build tree packs everything `cmake --install`
# puts under /usr. Its dependencies are read from the binaries by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sensor-viewer)
set(CPACK_PACKAGE_VENDOR "sensor-viewer maintainers")
set(CPACK_PACKAGE_CONTACT
    "sensor-viewer maintainers <maintainers@users.noreply.c-seed-86c0d602.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The menu entry runs the launcher, which shows the board's device to the viewer as COM2
# through bubblewrap: without it only a board on COM2 itself could be reached. Added to
# what dpkg-shlibdeps finds.
set(CPACK_DEBIAN_PACKAGE_DEPENDS bubblewrap)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "plot the voltage of a sensor board on a serial line
Sensor Viewer polls a sensor board on the serial port COM2 (/dev/ttyS1)
once a second for the channel picked in its window, one of five, and
plots each reading as a voltage on a 0 to 5 V scale, with the latest
value in large digits.
.
Its menu entry starts it through the launcher sensor-viewer-on, which
finds the board on whatever serial device it is plugged into, such as a
USB adapter, lets the user pick one when there are several, and offers a
simulated board when there is none.")
include(CPack)
