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
  install(CODE "set(registration_template \"${WORDFILT_REGISTRATION}\")")
  install(CODE [[
    file(READ "${registration_template}" registration)
    string(REPLACE "@SERVER_PATH@" "${CMAKE_INSTALL_PREFIX}/lib/docflt/wordfilt.so"
           registration "${registration}")
    file(WRITE "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/lib/docflt/docflt.reg" "${registration}")
  ]])
endif()
install(FILES ${PROJECT_SOURCE_DIR}/samples/welcome.doc DESTINATION share/docflt)

# Files for host authors and the man page, where the tree has them: the C
# header, the pkg-config file (from a template naming the prefix) and
# doctext's manual page.
if(EXISTS ${PROJECT_SOURCE_DIR}/include/docflt/docflt.h)
  install(FILES ${PROJECT_SOURCE_DIR}/include/docflt/docflt.h DESTINATION include/docflt)
endif()
foreach(template include/docflt.pc.in include/docflt/docflt.pc.in cmake/docflt.pc.in docflt.pc.in)
  if(EXISTS ${PROJECT_SOURCE_DIR}/${template} AND NOT DEFINED docflt_pc_template)
    set(docflt_pc_template ${PROJECT_SOURCE_DIR}/${template})
    configure_file(${docflt_pc_template} ${CMAKE_BINARY_DIR}/docflt.pc @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/docflt.pc DESTINATION lib/pkgconfig)
  endif()
endforeach()
foreach(page tools/doctext/doctext.1 man/doctext.1 doc/doctext.1)
  if(EXISTS ${PROJECT_SOURCE_DIR}/${page} AND NOT DEFINED docflt_man_page)
    set(docflt_man_page ${PROJECT_SOURCE_DIR}/${page})
    install(FILES ${docflt_man_page} DESTINATION share/man/man1)
  endif()
endforeach()
