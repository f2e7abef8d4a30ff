# The Debian package, made with `cpack -G DEB` from the build tree, and what it
# installs beside the programs: manual pages, icon, DPX MIME type, documents.
include(GNUInstallDirs)

set(TESSA_PACKAGE_CONTACT "Tessaview maintainers <maintainers@users.noreply.c-seed-dfc00744.example>")

# Debian compresses manual pages and documents; -n leaves the time stamp out
# so that two builds of the same source give the same bytes.
find_program(TESSA_GZIP gzip REQUIRED)
function(tessa_gzip source output)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${TESSA_GZIP} -9nc ${source} > ${output}
                     DEPENDS ${source} VERBATIM)
endfunction()

set(TESSA_PACKAGE_DIR ${PROJECT_BINARY_DIR}/package)
# The changelog's date follows SOURCE_DATE_EPOCH where it is set.
string(TIMESTAMP TESSA_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${PROJECT_SOURCE_DIR}/data/changelog.in ${TESSA_PACKAGE_DIR}/changelog @ONLY)
tessa_gzip(${PROJECT_SOURCE_DIR}/docs/man/tessaview.1 ${TESSA_PACKAGE_DIR}/tessaview.1.gz)
tessa_gzip(${PROJECT_SOURCE_DIR}/docs/man/tessaview-dump.1 ${TESSA_PACKAGE_DIR}/tessaview-dump.1.gz)
tessa_gzip(${PROJECT_SOURCE_DIR}/README.md ${TESSA_PACKAGE_DIR}/README.md.gz)
tessa_gzip(${TESSA_PACKAGE_DIR}/changelog ${TESSA_PACKAGE_DIR}/changelog.gz)
set(TESSA_MAN_PAGES ${TESSA_PACKAGE_DIR}/tessaview.1.gz ${TESSA_PACKAGE_DIR}/tessaview-dump.1.gz)
set(TESSA_DOCUMENTS ${TESSA_PACKAGE_DIR}/README.md.gz ${TESSA_PACKAGE_DIR}/changelog.gz)
add_custom_target(tessa_package_files ALL DEPENDS ${TESSA_MAN_PAGES} ${TESSA_DOCUMENTS})

install(FILES ${TESSA_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${TESSA_DOCUMENTS} ${PROJECT_SOURCE_DIR}/data/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/tessaview.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/data/tessaview-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME tessaview.xml)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaview)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TESSA_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "inspector for the headers and pictures of DPX image files")
set(CPACK_PACKAGE_DESCRIPTION "Shows every header field of DPX files (SMPTE 268M) with its meaning, their
pictures and checks; tessaview-dump prints fields and checks as text or JSON.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Directories 755 whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: the packages of the libraries the programs link, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
