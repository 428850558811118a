# Install layout. POSIX: bin/doctext, lib/docflt/{docflt.flt, wordfilt.so,
# docflt.reg}; the registration names the installed server by its absolute
# path, so the plug-in finds it with no settings. Windows: everything in bin/,
# with a settings file that names the installed server.
if(NOT (TARGET docflt AND TARGET wordfilt AND TARGET doctext))
  return()
endif()
if(WIN32)
  install(TARGETS doctext RUNTIME DESTINATION bin)
  install(TARGETS docflt wordfilt LIBRARY DESTINATION bin RUNTIME DESTINATION bin)
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
