# Install rules (`cmake --install`) and the Debian package (`cpack -G DEB` in the build folder).
#
# `cmake --install` puts the program, its manual page, the documentation and the example page scripts
# under the prefix. The service's files (the systemd unit, the conffile in /etc/verolin) have absolute
# places that only a package may write; they are in the component "service", which `cmake --install`
# leaves out unless asked (--component service) and the package always holds.

set(VEROLIN_DOC_DIR share/doc/verolin)

install(TARGETS verolin RUNTIME DESTINATION bin COMPONENT program)
if(NOT VEROLIN_SANITIZE)
  install(FILES ${PROJECT_BINARY_DIR}/verolin.1.gz DESTINATION share/man/man1 COMPONENT program)
endif()
install(FILES README.md DESTINATION ${VEROLIN_DOC_DIR} COMPONENT program)
install(DIRECTORY docs/ DESTINATION ${VEROLIN_DOC_DIR}/docs COMPONENT program)
install(DIRECTORY examples/ DESTINATION share/verolin/examples COMPONENT program)

set(VEROLIN_MAINTAINER "VerolinSystem developers <verolin@example.org>")
# SOURCE_DATE_EPOCH, when set, makes the date (and so the package) reproducible.
string(TIMESTAMP VEROLIN_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
execute_process(COMMAND gzip -9n -f ${PROJECT_BINARY_DIR}/packaging/changelog)

install(FILES packaging/verolin.service DESTINATION /lib/systemd/system COMPONENT service EXCLUDE_FROM_ALL)
install(FILES packaging/verolin.conf DESTINATION /etc/verolin COMPONENT service EXCLUDE_FROM_ALL)
install(FILES packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${VEROLIN_DOC_DIR}
        COMPONENT service EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME verolin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${VEROLIN_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "document-editing control with its reference server page")
# Debian wants the lines of the long description under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "A web page embeds the control to edit a word-processor document that lives on
a web server, place password-checked electronic seals and handwritten
signatures in it, and send it back. This package holds the program verolin:
the reference server page (verolin serve, also as the service verolin.service),
the administration of its store, the file tools of the encrypted document
container, and a player of page scripts that drive the control against a
server.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program service)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# adduser makes the system user in postinst.
set(CPACK_DEBIAN_PACKAGE_DEPENDS adduser)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/conffiles ${PROJECT_SOURCE_DIR}/packaging/postinst
    ${PROJECT_SOURCE_DIR}/packaging/prerm ${PROJECT_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
