# Packages, built by `cpack` in a build tree: a Debian package on Linux
# (installing under /usr, so that the registration names /usr/lib/docflt and the
# system Python finds the package), a zip on each Windows target.
set(DOCFLT_VERSION 0.2.0 CACHE STRING "Version of the packages")
set(CPACK_PACKAGE_NAME docflt)
set(CPACK_PACKAGE_VERSION ${DOCFLT_VERSION})
set(CPACK_PACKAGE_VENDOR docflt)
set(CPACK_PACKAGE_CONTACT "docflt developers <docflt@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Text-filter plug-in for Word documents, with doctext and a Python package")
set(CPACK_PACKAGE_DESCRIPTION
    "A plug-in that host applications load to get the plain text of Word 97-2003 documents, "
    "its bundled filter server, the doctext command and the Python package docflt.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(DOCFLT_32BIT)
    set(CPACK_SYSTEM_NAME win32)
  else()
    set(CPACK_SYSTEM_NAME win64)
  endif()
  # The install step names the server by its installed path; an archive is
  # unpacked anywhere, so its settings name the server by its file name
  # (found beside a host program such as doctext, or on PATH).
  set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package_relocatable.cmake)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_INSTALL_PREFIX /usr)
  # The install step writes the registration with CMAKE_INSTALL_PREFIX: with
  # DESTDIR staging that is /usr, the path the files have once installed.
  set(CPACK_SET_DESTDIR ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION text)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS python3)
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-distributed")
endif()
include(CPack)
