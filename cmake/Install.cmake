# Install rules: the two programs, and what makes them a desktop citizen
# (desktop entry, icons, AppStream metadata, man pages, bash completion).
# Paths follow GNUInstallDirs, so any prefix works and DESTDIR is honoured:
#
#   cmake --install BUILD --prefix /usr/local
#   DESTDIR=/tmp/stage cmake --install BUILD --prefix /usr
#
# The man pages are installed as they are; a packager compresses them
# (Debian's dh_compress does).

include(GNUInstallDirs)

set(BASEWRIGHT_DATA_DIR ${CMAKE_CURRENT_LIST_DIR}/../data)
set(BASEWRIGHT_MAN_DIR ${CMAKE_CURRENT_LIST_DIR}/../man)

foreach(_bw_program IN ITEMS basewright basewright-cli)
  if(TARGET ${_bw_program})
    install(TARGETS ${_bw_program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${BASEWRIGHT_MAN_DIR}/${_bw_program}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()

if(TARGET basewright)
  # With the spreadsheet command the window program is linked with a RUNPATH
  # to the office's program folder, ahead of CMake's own build-tree RPATH,
  # and CMake's install step cannot rewrite such an entry ("file RPATH_CHANGE
  # could not write new RPATH"). Linking it once with the install RPATH makes
  # the built and the installed program the same file.
  set_target_properties(basewright PROPERTIES BUILD_WITH_INSTALL_RPATH ON)
  install(FILES ${BASEWRIGHT_DATA_DIR}/basewright.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${BASEWRIGHT_DATA_DIR}/example.basewright.Basewright.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(DIRECTORY ${BASEWRIGHT_DATA_DIR}/icons/hicolor
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons
          FILES_MATCHING PATTERN "basewright.svg" PATTERN "basewright.png")
endif()

if(TARGET basewright-cli)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/../completion/basewright-cli
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
endif()
