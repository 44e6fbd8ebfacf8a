# The Windows release: one zip with the self-contained mendora.exe, the console tools and a
# README for Windows users, every file at the top of one folder.
set(windows ${CMAKE_CURRENT_SOURCE_DIR}/windows)
set(generated ${CMAKE_CURRENT_BINARY_DIR}/windows)

# Windows users open the README in Notepad: CRLF line ends, version filled in.
configure_file(${windows}/README.txt.in ${generated}/README.lf @ONLY)
file(READ ${generated}/README.lf text)
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${generated}/README.txt "${text}")
install(FILES ${generated}/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME mendora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME mendora-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
