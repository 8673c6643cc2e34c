# Debian packages made by CPack (scripts/package.sh): "keldwick" with the programs, their help,
# desktop entry, icons, metadata and manual pages, and "keldwick-account-service" with the reference
# account service.

# The version the programs print is the package's version, and the metadata lists its release.
file(STRINGS ${PROJECT_SOURCE_DIR}/res/Version.h version_line REGEX "kProductVersion = ")
if(NOT version_line MATCHES "\"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "res/Version.h does not name version ${PROJECT_VERSION}: ${version_line}")
endif()
file(STRINGS ${PROJECT_SOURCE_DIR}/res/keldwick.metainfo.xml release_line
     REGEX "<release version=\"${PROJECT_VERSION}\"")
if(NOT release_line)
  message(FATAL_ERROR "res/keldwick.metainfo.xml lists no release ${PROJECT_VERSION}")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME keldwick)
set(CPACK_PACKAGE_VENDOR Nimbrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${KELDWICK_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL keldwick service)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.nimbrel.example/keldwick)

set(CPACK_DEBIAN_KELDWICK_PACKAGE_NAME keldwick)
set(CPACK_DEBIAN_KELDWICK_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_KELDWICK_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_KELDWICK_PACKAGE_SUGGESTS keldwick-account-service)
set(CPACK_COMPONENT_KELDWICK_DESCRIPTION
    "client for the Nimbrel customer account service
Keldwick is the desktop client that customers of the Nimbrel FTP Server use
to reach their Nimbrel account: they sign in, have a forgotten password
e-mailed, show every name their computer reports (to quote to support) and
open the help topics. Every control explains itself with a rich tip.
.
The package holds the desktop program keldwick and keldwick-cli, which does
the same from the command line without a display.")

set(CPACK_DEBIAN_SERVICE_PACKAGE_NAME keldwick-account-service)
set(CPACK_DEBIAN_SERVICE_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_SERVICE_PACKAGE_DEPENDS "python3, python3-waitress")
set(CPACK_DEBIAN_SERVICE_PACKAGE_SECTION devel)
set(CPACK_COMPONENT_SERVICE_DESCRIPTION
    "reference account service for trying out Keldwick
A small stand-in for the Nimbrel account service: it answers the same SOAP 1.1
operations over HTTP/1.1 on a local port, from a file of demo users, and
writes password e-mails into a folder instead of sending them. It is meant
for demonstrations and tests of Keldwick, not for real accounts.")

include(CPack)
