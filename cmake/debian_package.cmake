# `cpack -G DEB` in a build folder makes the Debian package from the install rules: the
# programs and the stub side by side in /usr/bin (each looks for the stub beside itself),
# the tutorial pages in /usr/share/mobrel/helpFiles (where the Help menu looks from
# /usr/bin), the menu entry with its zip association and the icon. Triggers of the
# desktop and icon-theme packages refresh their caches, so no maintainer scripts are needed.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mobrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Mobrel)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The build folder may carry debug information; the package ships the programs without it.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Mobrel maintainers <tollan@mobrel.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${PROJECT_DESCRIPTION})
# CPack puts the summary on the Description line itself; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Mobrel opens, lists, extracts, tests and repairs zip archives, creates new
ones or adds to existing ones, and makes self-extracting programs, from one
window or from the command line (mobrel-cli). It reads and writes ZIP64,
split and multi-disk sets, the traditional zip encryption and AES, and the
deflate, bzip2, LZMA, XZ and Zstandard methods.")

# dpkg-shlibdeps derives Depends from the libraries the programs and the stub link:
# Qt 6, libcrypto, libbz2, liblzma, libzstd and the C and C++ run-times, each with the
# lowest version that provides the symbols used.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
