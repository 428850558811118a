# Run by cpack after staging a Windows archive: the settings file names the
# bundled server by its file name instead of the staging path.
file(GLOB_RECURSE settings "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/docflt.ini")
if(NOT settings)
  file(GLOB_RECURSE settings "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/docflt.ini")
endif()
if(NOT settings)
  message(FATAL_ERROR "no docflt.ini in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
foreach(file ${settings})
  file(WRITE "${file}" "[SETTINGS]\r\nTMPDIR=\r\nSERVERFILENAME=wordfilt.dll\r\n")
endforeach()
