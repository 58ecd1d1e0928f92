# What `cmake --install` and the Debian package put where (GNUInstallDirs): the game in bin/, its
# runtime folder as share/threematch (the game finds it there beside itself), the desktop entry,
# the icons the picture tool draws, the AppStream metainfo and the manual page. Tools and tests
# have no install rules.
if(ULVO_FUZZ)
  return()
endif()
include(GNUInstallDirs)

set(THREEMATCH_APP_ID org.lumaro.threematch)
set(THREEMATCH_HOMEPAGE "https://lumaro.example.org" CACHE STRING
  "Homepage named by the metainfo; its screenshots/ folder serves the pictures under dist/screenshots")

install(TARGETS threematch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The runtime folder as the build leaves it, without what runs of the game wrote into it.
install(DIRECTORY ${ULVO_RUNTIME_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/threematch
  PATTERN logs EXCLUDE
  PATTERN FXCache EXCLUDE
  PATTERN "Screenshot_*.png" EXCLUDE)

install(FILES ${CMAKE_SOURCE_DIR}/dist/${THREEMATCH_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The picture tool draws the icon beside its SVG sources (cmake/Art.cmake).
install(DIRECTORY ${CMAKE_BINARY_DIR}/art/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

configure_file(${CMAKE_SOURCE_DIR}/dist/${THREEMATCH_APP_ID}.metainfo.xml.in
  ${CMAKE_BINARY_DIR}/dist/${THREEMATCH_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/dist/${THREEMATCH_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The metainfo's screenshots are the goldens of the game's own picture tests, ready to publish.
foreach(shot main_menu level_hires1:level town)
  string(REPLACE ":" ";" names ${shot})
  list(GET names 0 golden)
  list(GET names -1 published)
  configure_file(${CMAKE_SOURCE_DIR}/tests/game/threematch/controller/golden/${golden}.png
    ${CMAKE_BINARY_DIR}/dist/screenshots/${published}.png COPYONLY)
endforeach()

# Manual pages go compressed, as Debian wants them.
find_program(ULVO_GZIP gzip)
set(ULVO_MAN_PAGE ${CMAKE_SOURCE_DIR}/dist/threematch.6)
if(ULVO_GZIP)
  set(ULVO_MAN_PAGE ${CMAKE_BINARY_DIR}/dist/threematch.6.gz)
  add_custom_command(OUTPUT ${ULVO_MAN_PAGE}
    COMMAND ${ULVO_GZIP} -9n -c ${CMAKE_SOURCE_DIR}/dist/threematch.6 > ${ULVO_MAN_PAGE}
    DEPENDS ${CMAKE_SOURCE_DIR}/dist/threematch.6
    COMMENT "Compressing the manual page")
  add_custom_target(man_page ALL DEPENDS ${ULVO_MAN_PAGE})
endif()
install(FILES ${ULVO_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

