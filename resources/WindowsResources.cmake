# Writes the resource script of the Windows programs: the five embedded files as type
# BINARYFILE in language 1028, the string table in its three languages, the table's source
# text for the programs that read it as data, and the icons.
# cmake -DSTRINGS=strings.tsv -DOUT=Resources.rc -DQDLL=... -DBOOTCODE=... -DDEVICE_INI=...
#       -DDEFT70=... -DRBOOTCODE=... -P WindowsResources.cmake
file(STRINGS ${STRINGS} lines ENCODING UTF-8)
set(languages 1033 1028 2052)
set(lang_1033 "LANGUAGE 0x09, 0x01")
set(lang_1028 "LANGUAGE 0x04, 0x01")
set(lang_2052 "LANGUAGE 0x04, 0x02")
foreach(language ${languages})
  set(table_${language} "")
endforeach()
foreach(line ${lines})
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()
  string(REGEX MATCH "^([0-9]+)\t([0-9]+)\t(.*)$" matched "${line}")
  if(NOT matched)
    message(FATAL_ERROR "unreadable string-table line: ${line}")
  endif()
  set(id ${CMAKE_MATCH_1})
  set(language ${CMAKE_MATCH_2})
  # The table's escapes (\r \n \t \\) are the resource compiler's too; quotes are doubled.
  string(REPLACE "\"" "\"\"" text "${CMAKE_MATCH_3}")
  string(APPEND table_${language} "  ${id}, \"${text}\"\n")
endforeach()

function(path_of variable)
  file(TO_CMAKE_PATH "${${variable}}" p)
  set(${variable} "${p}" PARENT_SCOPE)
endfunction()
foreach(v QDLL BOOTCODE DEVICE_INI DEFT70 RBOOTCODE STRINGS ICONS)
  path_of(${v})
endforeach()

set(rc "#pragma code_page(65001)\n\n${lang_1028}\n")
string(APPEND rc "151 BINARYFILE \"${QDLL}\"\n")
string(APPEND rc "152 BINARYFILE \"${BOOTCODE}\"\n")
string(APPEND rc "153 BINARYFILE \"${DEVICE_INI}\"\n")
string(APPEND rc "154 BINARYFILE \"${DEFT70}\"\n")
string(APPEND rc "156 BINARYFILE \"${RBOOTCODE}\"\n\n")
foreach(language ${languages})
  string(APPEND rc "${lang_${language}}\nSTRINGTABLE\nBEGIN\n${table_${language}}END\n\n")
endforeach()
string(APPEND rc "LANGUAGE 0, 0\n1 MENDORASTRINGS \"${STRINGS}\"\n")
# The dialog's icon first: Explorer shows the first icon of a program.
string(APPEND rc "128 ICON \"${ICONS}/128.ico\"\n129 ICON \"${ICONS}/129.ico\"\n")
# Written even when the text is the same: the script is only run when a file it names has
# changed, and its new time is what makes the programs compile their resources again.
file(WRITE ${OUT} "${rc}")
