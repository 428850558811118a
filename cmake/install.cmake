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
  install(CODE [[
    set(server "${CMAKE_INSTALL_PREFIX}/lib/docflt/wordfilt.so")
    set(handler "{4E6A1D5B-0C3F-4A8E-9D71-2B6C5A10D43E}")
    set(clsid "{F07F3920-7B8C-11CF-9BE8-00AA004B9986}")
    set(ifilter "{89BCB740-6119-101A-BCB7-00DD010655AF}")
    file(WRITE "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/lib/docflt/docflt.reg" "REGEDIT4

[HKEY_CLASSES_ROOT\\.doc\\PersistentHandler]
@=\"${handler}\"

[HKEY_CLASSES_ROOT\\.dot\\PersistentHandler]
@=\"${handler}\"

[HKEY_CLASSES_ROOT\\CLSID\\${handler}\\PersistentAddinsRegistered\\${ifilter}]
@=\"${clsid}\"

[HKEY_CLASSES_ROOT\\CLSID\\${clsid}\\InprocServer32]
@=\"${server}\"
")
  ]])
endif()
install(FILES ${PROJECT_SOURCE_DIR}/samples/welcome.doc DESTINATION share/docflt)
