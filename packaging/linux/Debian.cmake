# The Debian package: the programs, their menu entry, icon, polkit action, AppStream
# metadata and the documents Debian asks every package for.
set(linux ${CMAKE_CURRENT_SOURCE_DIR}/linux)
set(generated ${CMAKE_CURRENT_BINARY_DIR}/linux)
set(app_id org.mendora.Mendora)

configure_file(${linux}/${app_id}.desktop.in ${generated}/${app_id}.desktop @ONLY)
configure_file(${linux}/${app_id}.Station.desktop.in ${generated}/${app_id}.Station.desktop @ONLY)
configure_file(${linux}/${app_id}.policy.in ${generated}/${app_id}.policy @ONLY)
configure_file(${linux}/${app_id}.metainfo.xml.in ${generated}/${app_id}.metainfo.xml @ONLY)
install(FILES ${generated}/${app_id}.desktop ${generated}/${app_id}.Station.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${generated}/${app_id}.policy DESTINATION ${CMAKE_INSTALL_DATADIR}/polkit-1/actions)
install(FILES ${generated}/${app_id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${linux}/${app_id}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The changelog, dated in the form Debian reads, compressed reproducibly.
execute_process(COMMAND date -u -R -d "${MENDORA_RELEASE_DATE} 12:00"
                OUTPUT_VARIABLE MENDORA_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
configure_file(${linux}/changelog.in ${generated}/changelog @ONLY)
add_custom_command(OUTPUT ${generated}/changelog.gz
                   COMMAND gzip -9nc ${generated}/changelog > ${generated}/changelog.gz
                   DEPENDS ${generated}/changelog VERBATIM)
add_custom_target(mendora_changelog ALL DEPENDS ${generated}/changelog.gz)
install(FILES ${linux}/copyright ${generated}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/mendora)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mendora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Mendora developers <developers@mendora.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "repair USB flash drives with QF70 or QF90 controllers")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Mendora brings broken USB flash drives built on the QF70 and QF90 controllers
back to life. It takes the controller over, erases every block, writes and
verifies a test pattern, marks and counts bad blocks, then formats the drive
again and rewrites its firmware, with a dialog that shows progress.
.
The package holds the repair program (mendora, in the menu), the revert alone
for technicians (mendora-revert), many drives at once (mendora-station, in the
menu as Mendora Station, a window with one tile per drive), the
virtual drive that stands in for real hardware (mendora-vdrive) and the
boot-code archive tool (bootpack).")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The fonts the dialog lays its texts out with: a face metric-compatible with Arial (the
# templates' faces resolve to it), and a CJK face for the Chinese texts. The libraries'
# dependencies are added to these by dpkg-shlibdeps: libsqlite3-0 for the station's records
# and libpq5 for a lab's records server among them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2 | fonts-liberation, fonts-wqy-microhei | fonts-noto-cjk | fonts-wqy-zenhei")
# The menu entries ask for administrator rights through pkexec; Qt's own translations put
# the message boxes' buttons in the user's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pkexec, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
