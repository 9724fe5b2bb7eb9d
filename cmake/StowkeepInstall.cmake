# Installation and the Debian package. `cmake --install` (CMAKE_INSTALL_PREFIX and DESTDIR
# honoured) lays out:
#   bin/stowkeep, bin/stowkeep-batch
#   share/stowkeep/            read-only data, found from bin/ as ../share/stowkeep
#   share/applications/, share/metainfo/, share/icons/hicolor/   desktop integration
#   share/man/man1/, share/bash-completion/completions/
# `cpack -G DEB` packs the same tree under /usr. scripts/check-install.sh checks both
# against data/installed-files.txt.

# A fuzzing build has no programs to install.
if(NOT TARGET stowkeep OR NOT TARGET stowkeep-batch)
  return()
endif()

include(GNUInstallDirs)

set(STOWKEEP_APP_ID org.stowkeep.Stowkeep)
set(STOWKEEP_DATA_DIR "${CMAKE_INSTALL_DATADIR}/stowkeep")
set(_data "${CMAKE_SOURCE_DIR}/data")

# The programs find their data at a fixed place relative to their own folder
# (data_location::kInstalledFromBin); other folder names would leave them with the built-in
# copies only.
file(RELATIVE_PATH _data_from_bin "/${CMAKE_INSTALL_BINDIR}" "/${STOWKEEP_DATA_DIR}")
if(NOT _data_from_bin STREQUAL "../share/stowkeep")
  message(WARNING "With CMAKE_INSTALL_BINDIR=${CMAKE_INSTALL_BINDIR} and "
    "CMAKE_INSTALL_DATADIR=${CMAKE_INSTALL_DATADIR} the installed programs do not find "
    "their help file and use the built-in copy.")
endif()

install(TARGETS stowkeep stowkeep-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/help/STOWKP.HLP DESTINATION ${STOWKEEP_DATA_DIR})

install(FILES ${_data}/${STOWKEEP_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_data}/${STOWKEEP_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The icon's PNG sizes are rendered from its SVG drawings in the build, so only the drawings
# are kept in the source. The 32-unit drawing would blur at 16 px; that size has its own.
# rsvg-convert comes with Debian librsvg2-bin (scripts/install-deps.sh).
find_program(STOWKEEP_RSVG_CONVERT rsvg-convert REQUIRED)
set(_icon_sizes 16 22 24 32 48 64 128 256)
set(_icons_dir "${CMAKE_BINARY_DIR}/icons/hicolor")
set(_icon_pngs "")
foreach(size IN LISTS _icon_sizes)
  set(_svg "${_data}/icons/${STOWKEEP_APP_ID}.svg")
  if(size LESS_EQUAL 16)
    set(_svg "${_data}/icons/${STOWKEEP_APP_ID}-16.svg")
  endif()
  set(_png "${_icons_dir}/${size}x${size}/apps/${STOWKEEP_APP_ID}.png")
  add_custom_command(OUTPUT "${_png}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${_icons_dir}/${size}x${size}/apps"
    COMMAND ${STOWKEEP_RSVG_CONVERT} --width ${size} --height ${size} -o "${_png}" "${_svg}"
    DEPENDS "${_svg}"
    COMMENT "Rendering the ${size} px icon"
    VERBATIM)
  list(APPEND _icon_pngs "${_png}")
  install(FILES "${_png}" DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(stowkeep_icons ALL DEPENDS ${_icon_pngs})
install(FILES ${_data}/icons/${STOWKEEP_APP_ID}.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${_data}/completion/stowkeep-batch
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Manual pages go out compressed, as Debian wants them; gzip -n keeps the result the same
# from build to build.
find_program(STOWKEEP_GZIP gzip REQUIRED)
set(_man_pages "")
foreach(page stowkeep.1 stowkeep-batch.1)
  set(_out "${CMAKE_BINARY_DIR}/man/${page}.gz")
  add_custom_command(OUTPUT "${_out}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/man"
    COMMAND ${CMAKE_COMMAND} -E copy "${_data}/man/${page}" "${CMAKE_BINARY_DIR}/man/${page}"
    COMMAND ${STOWKEEP_GZIP} -9nf "${CMAKE_BINARY_DIR}/man/${page}"
    DEPENDS "${_data}/man/${page}"
    COMMENT "Compressing manual page ${page}"
    VERBATIM)
  list(APPEND _man_pages "${_out}")
endforeach()
add_custom_target(stowkeep_man_pages ALL DEPENDS ${_man_pages})
install(FILES ${_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME stowkeep)
set(CPACK_PACKAGE_VENDOR "Stowkeep developers")
set(STOWKEEP_PACKAGE_MAINTAINER "Stowkeep developers <stowkeep@localhost>" CACHE STRING
  "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${STOWKEEP_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "household inventory with dBASE tables")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Stowkeep keeps a household inventory: one record for each thing you own, with\n"
  "its brand, model, serial number, location, cost, replacement cost, value,\n"
  "warranty and owner, in a dBASE table with its production index. Records are\n"
  "browsed in a configurable grid, edited with remembered pick lists, narrowed\n"
  "with multi-level searches, printed as reports with totals and an insurance\n"
  "statement, and exchanged with other programs as delimited text or dBASE files.\n"
  "The stowkeep-batch command runs the data operations from scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beyond the libraries: Qt's window-system plugins, and the fonts the stored settings and
# report definitions name.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hicolor-icon-theme")
include(CPack)
