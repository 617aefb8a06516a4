# The Debian package, made by CPack from the install rules in packaging/CMakeLists.txt:
# `make package` writes <build>/dorrik_<version>_amd64.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dorrik)
set(CPACK_PACKAGE_VENDOR "The Dorrik developers")
set(CPACK_PACKAGE_CONTACT "The Dorrik developers <dorrik@example.org>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "level editor for the Game Boy game Pebblefen")
# CPack puts the summary in front as the synopsis line; this is the long description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Dorrik shows one of Pebblefen's 46 levels from its ROM image as 20 x 17
tiles in the Game Boy's four grey shades. Tiles picked from a palette are
painted with the mouse, and the level is saved back into the image in
place, leaving the header, the checksums and everything else as they were.
.
The package also holds dorrik-tool, the editor's command-line companion:
it describes and checks images, draws levels and tiles as PNG pictures,
exports and imports levels as text for version control, lists differences,
and makes and applies IPS and BPS patches. A demo image with original
artwork is included.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the binaries; the editor's fonts are looked up by name at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation2)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
