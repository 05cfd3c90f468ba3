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
# The launcher shows another serial device to the viewer as COM2 through bubblewrap.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS bubblewrap)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "plot the voltage of a sensor board on a serial line
Sensor Viewer polls a sensor board on the serial port COM2 (/dev/ttyS1)
once a second for the channel picked in its window, one of five, and
plots each reading as a voltage on a 0 to 5 V scale, with the latest
value in large digits.
.
The launcher sensor-viewer-on starts it on a board behind another serial
device, such as a USB adapter.")
include(CPack)
