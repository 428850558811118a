# Install layout. POSIX: bin/doctext, lib/docflt/{docflt.flt, wordfilt.so,
# docflt.reg}; the registration names the installed server by its absolute
# path, so the plug-in finds it with no settings. Windows: everything in bin/,
# with a settings file that names the installed server.
if(WIN32)
  install(TARGETS doctext RUNTIME DESTINATION bin)
  install(TARGETS docflt wordfilt LIBRARY DESTINATION bin RUNTIME DESTINATION bin)
  install(TARGETS wordfilt-worker RUNTIME DESTINATION bin)
  install(CODE [[
    file(TO_NATIVE_PATH "${CMAKE_INSTALL_PREFIX}/bin/wordfilt.dll" server)
    file(WRITE "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin/docflt.ini"
         "[SETTINGS]\r\nTMPDIR=\r\nSERVERFILENAME=${server}\r\n")
  ]])
else()
  install(TARGETS doctext RUNTIME DESTINATION bin)
  install(TARGETS docflt wordfilt LIBRARY DESTINATION lib/docflt)
  # The module starts its worker from its own directory.
  install(TARGETS wordfilt-worker RUNTIME DESTINATION lib/docflt)
  install(CODE "set(registration_template \"${WORDFILT_REGISTRATION}\")")
  install(CODE [[
    file(READ "${registration_template}" registration)
    string(REPLACE "@SERVER_PATH@" "${CMAKE_INSTALL_PREFIX}/lib/docflt/wordfilt.so"
           registration "${registration}")
    file(WRITE "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/lib/docflt/docflt.reg" "${registration}")
  ]])
endif()
install(FILES ${PROJECT_SOURCE_DIR}/samples/welcome.doc DESTINATION share/docflt)

# For host authors: the C header, a pkg-config file that names the installed
# plug-in, and doctext's manual page.
install(FILES ${PROJECT_SOURCE_DIR}/include/docflt/docflt.h DESTINATION include/docflt)
if(PROJECT_VERSION)
  set(DOCFLT_PC_VERSION ${PROJECT_VERSION})
else()
  set(DOCFLT_PC_VERSION 0.1)
endif()
if(WIN32)
  set(DOCFLT_PC_PLUGIN "bin/docflt.dll")
else()
  set(DOCFLT_PC_PLUGIN "lib/docflt/docflt.flt")
endif()
if(CMAKE_DL_LIBS)
  set(DOCFLT_PC_LIBS "-l${CMAKE_DL_LIBS}")
endif()
install(CODE "set(docflt_pc_template \"${PROJECT_SOURCE_DIR}/include/docflt.pc.in\")
  set(docflt_pc_version \"${DOCFLT_PC_VERSION}\")
  set(docflt_pc_plugin \"${DOCFLT_PC_PLUGIN}\")
  set(docflt_pc_libs \"${DOCFLT_PC_LIBS}\")")
install(CODE [[
  file(READ "${docflt_pc_template}" pc)
  string(REPLACE "@PREFIX@" "${CMAKE_INSTALL_PREFIX}" pc "${pc}")
  string(REPLACE "@PLUGIN@" "${CMAKE_INSTALL_PREFIX}/${docflt_pc_plugin}" pc "${pc}")
  string(REPLACE "@VERSION@" "${docflt_pc_version}" pc "${pc}")
  string(REPLACE "@LIBS@" "${docflt_pc_libs}" pc "${pc}")
  file(WRITE "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/lib/pkgconfig/docflt.pc" "${pc}")
]])
if(NOT WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/doctext/doctext.1 DESTINATION share/man/man1)
  # The settings name the installed server, as on Windows: the plug-in then
  # loads it at once instead of first searching the library path for the
  # default server name and reading the registration (a third of a
  # one-document run's start-up). The registration stays for the case that
  # the settings name none.
  install(CODE [[
    file(WRITE "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/lib/docflt/docflt.ini"
         "[SETTINGS]\r\nTMPDIR=\r\nSERVERFILENAME=${CMAKE_INSTALL_PREFIX}/lib/docflt/wordfilt.so\r\n")
  ]])
endif()
