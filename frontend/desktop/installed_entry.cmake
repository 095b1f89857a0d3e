# Run when installing: the desktop entry with Exec= naming the program by its
# full path under the prefix being installed to. A path with characters the
# desktop entry format reserves is quoted and escaped as the format asks.
set(program "${CMAKE_INSTALL_PREFIX}/${bindir}/kelvor")
if(program MATCHES "[] \t\"'\\\\$`<>~|&;*?#()]")
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" program "${program}")
    set(program "\"${program}\"")
endif()
file(READ "${source_entry}" entry)
string(REPLACE "\nExec=kelvor\n" "\nExec=${program}\n" entry "${entry}")
message(STATUS "Installing: ${installed_entry}")
file(WRITE "${installed_entry}" "${entry}")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${installed_entry}")
