# mendora_windows_resources(<target> "<description>")
#
# Gives a Windows program its version information (company, description, file and product
# version from project(), original file name, copyright) and the Mendora icon, which
# Explorer shows for it and in its Properties. Every shipped .exe calls it once, after
# add_executable; elsewhere it does nothing, so it may be called unconditionally.
function(mendora_windows_resources target description)
  if(NOT WIN32)
    return()
  endif()
  # FILEVERSION wants four numbers: 0.1 is 0,1,0,0.
  string(REPLACE "." ";" numbers "${PROJECT_VERSION}")
  list(LENGTH numbers count)
  while(count LESS 4)
    list(APPEND numbers 0)
    math(EXPR count "${count} + 1")
  endwhile()
  list(SUBLIST numbers 0 4 numbers)
  string(JOIN "," MENDORA_RC_VERSION_COMMAS ${numbers})
  string(SUBSTRING "${MENDORA_RELEASE_DATE}" 0 4 MENDORA_RC_YEAR)
  # The resource compiler takes doubled quotes inside a string.
  string(REPLACE "\"" "\"\"" MENDORA_RC_DESCRIPTION "${description}")
  set(MENDORA_RC_TARGET ${target})
  # The dialog's icon, drawn during the build (resources/, target mendora_icons).
  set(MENDORA_RC_ICON ${CMAKE_BINARY_DIR}/resources/files/icons/128.ico)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/VersionInfo.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${MENDORA_RC_ICON})
  add_dependencies(${target} mendora_icons)
endfunction()
