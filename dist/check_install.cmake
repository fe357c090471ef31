# Installs the build into STAGE (prefix /usr) and checks the installed files.
file(REMOVE_RECURSE "${STAGE}")
# Staged as a package would be (DESTDIR), stripped as make install does it.
set(ENV{DESTDIR} "")
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE} ${CMAKE_COMMAND} --install "${BUILD_DIR}"
                        --prefix /usr --strip
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(f bin/qrt58prog bin/qrt58cli share/applications/qrt58prog.desktop
          share/icons/hicolor/scalable/apps/qrt58prog.svg share/mime/packages/qrt58prog.xml
          share/metainfo/com.norvale.qrt58prog.metainfo.xml share/bash-completion/completions/qrt58cli
          share/zsh/vendor-completions/_qrt58cli lib/udev/rules.d/60-qrt58-i2c.rules
          lib/modules-load.d/qrt58-i2c.conf share/man/man1/qrt58cli.1.gz share/man/man1/qrt58prog.1.gz)
  if(NOT EXISTS "${STAGE}/usr/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
foreach(f bin/qrt58prog bin/qrt58cli)
  execute_process(COMMAND test -x "${STAGE}/usr/${f}" RESULT_VARIABLE not_executable)
  if(NOT not_executable EQUAL 0)
    message(FATAL_ERROR "not executable: ${f}")
  endif()
endforeach()
# Stripped: no debug information left in the installed programs.
foreach(f qrt58prog qrt58cli)
  execute_process(COMMAND readelf -S "${STAGE}/usr/bin/${f}" OUTPUT_VARIABLE sections)
  if(sections MATCHES "\\.debug_info")
    message(FATAL_ERROR "installed with debug information: bin/${f}")
  endif()
endforeach()
# The entry starts the installed program by name with the file to open, names
# the installed icon and the table-file type.
file(READ "${STAGE}/usr/share/applications/qrt58prog.desktop" entry)
if(NOT entry MATCHES "\nExec=qrt58prog %f\n" OR NOT entry MATCHES "\nIcon=qrt58prog\n"
   OR NOT entry MATCHES "\nMimeType=application/x-qrt58-table;\n")
  message(FATAL_ERROR "the desktop entry does not name the installed program, icon and file type")
endif()
# The type database built from the installed XML maps *.tbl to the type.
find_program(UPDATE_MIME update-mime-database)
if(UPDATE_MIME)
  execute_process(COMMAND ${UPDATE_MIME} "${STAGE}/usr/share/mime" RESULT_VARIABLE mime_result
                  OUTPUT_QUIET ERROR_VARIABLE mime_errors)
  file(READ "${STAGE}/usr/share/mime/globs2" globs)
  if(NOT mime_result EQUAL 0 OR NOT globs MATCHES "application/x-qrt58-table:\\*\\.tbl")
    message(FATAL_ERROR "the table-file type is not taken up: ${mime_errors}")
  endif()
endif()
file(REMOVE_RECURSE "${STAGE}")
