# The Debian package of both programs (make deb: cpack -G DEB in the build
# folder). dpkg-shlibdeps finds the libraries the programs link; the Qt
# plugins they load are named by hand: the SQLite driver of the registry, the
# SVG icon engine of the window's icon and the window system's platform
# plugins.

# The package's own documents: the copyright and the changelog, compressed as
# Debian keeps them.
set(QRT58_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/qrt58)
configure_file(changelog.in ${CMAKE_CURRENT_BINARY_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
                   COMMAND gzip -9nkf ${CMAKE_CURRENT_BINARY_DIR}/changelog
                   DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog VERBATIM)
add_custom_target(qrt58_changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
install(FILES copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz DESTINATION ${QRT58_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qrt58)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "QRT58 pager programmer developers <qrt58@norvale.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "programmer for QRT58 paging receivers (window and command line)")
set(CPACK_PACKAGE_DESCRIPTION [=[
Edits the settings of QRT58 paging receivers (frequency, capcodes, alerts,
melodies, prompts, display and power options, passwords), keeps them as
table files, and reads, writes and verifies the receiver's EEPROM through a
programming board on the parallel port or an I2C adapter.
.
qrt58prog is the editor window; qrt58cli does the same on the command line,
runs production jobs on several boards with a registry of the capcodes
given out (SQLite, or PostgreSQL shared by stations), and lists, compares
and changes table files.
.
The package gives the I2C adapters (/dev/i2c-*) to the group i2c and loads
the i2c-dev module at start-up; the parallel ports belong to the group lp.]=])
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6svg6, qt6-qpa-plugins, adduser")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "i2c-tools")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libqt6sql6-psql, postgresql")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Installed as make install does it: stripped, under /usr, staged with DESTDIR
# (so the install step leaves the desktop databases to dpkg's triggers).
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
