# What `make install` puts where, and the Debian package CPack builds from it (`make package`).
include(GNUInstallDirs)

install(TARGETS wendle wendle-reminders wendle-recover RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${WENDLE_PROMPT_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/wendle)
install(FILES ${PROJECT_SOURCE_DIR}/resources/org.wendle.Wendle.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/org.wendle.Wendle.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/org.wendle.Wendle.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/org.wendle.Wendle-symbolic.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/symbolic/apps)
install(FILES ${PROJECT_SOURCE_DIR}/resources/wendle.1 ${PROJECT_SOURCE_DIR}/resources/wendle-recover.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/resources/wendle.de.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/de/man1 RENAME wendle.1)
# PAM and XDG autostart read only the system's own configuration folder, whatever the prefix.
set(WENDLE_SYSTEM_CONFDIR /etc CACHE PATH "Where PAM services and XDG autostart files are read from")
install(FILES ${PROJECT_SOURCE_DIR}/resources/pam.d/wendle DESTINATION ${WENDLE_SYSTEM_CONFDIR}/pam.d)
install(FILES ${PROJECT_SOURCE_DIR}/resources/org.wendle.Reminders.desktop
        DESTINATION ${WENDLE_SYSTEM_CONFDIR}/xdg/autostart)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wendle)
set(CPACK_PACKAGE_VENDOR "The Wendle developers")
set(CPACK_PACKAGE_CONTACT "The Wendle developers <hello@wendle.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "quiet journal with one prompt a day")
set(CPACK_PACKAGE_DESCRIPTION
    "Wendle gives you one writing prompt a day and a calm editor that saves itself as you pause. Entries are\n"
    "sealed with AES-256-GCM under a key kept in the system keyring, and the journal locks when you step away.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The /etc files are absolute: the package is staged with DESTDIR so they keep their place.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libsecret and Enchant are opened at run time rather than linked, so dpkg-shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libpam-modules, libsecret-1-0, libenchant-2-2")
string(CONCAT CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "gnome-keyring | kwalletmanager | keepassxc, dunst | notification-daemon, gnome-shell-extension-appindicator, "
    "qt6-translations-l10n, hunspell-en-us")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
