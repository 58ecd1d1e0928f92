# What `cmake --install` and the Debian package put where (GNUInstallDirs): the game in bin/ (the
# package moves it to games/), its runtime folder as share/threematch (the game finds it there
# beside itself), the desktop entry, the icons the picture tool draws, the AppStream metainfo, the
# manual page and the copyright and changelog. Tools and tests have no install rules.
if(ULVO_FUZZ)
  return()
endif()
include(GNUInstallDirs)

set(THREEMATCH_APP_ID org.lumaro.threematch)
set(THREEMATCH_HOMEPAGE "https://lumaro.example.org" CACHE STRING
  "Homepage named by the metainfo and the package; its screenshots/ folder serves the pictures under dist/screenshots")
set(THREEMATCH_MAINTAINER "Lumaro team <team@lumaro.example.org>" CACHE STRING
  "The package's Maintainer (name <address>), also named in its changelog")

install(TARGETS threematch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The runtime folder as the build leaves it, without what runs of the game wrote into it. The game
# reads the loose files as well as the archive, which holds the same files again: only the loose
# ones are installed. The fonts are the system's (fonts-dejavu-core), linked.
install(DIRECTORY ${ULVO_RUNTIME_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/threematch
  PATTERN logs EXCLUDE
  PATTERN FXCache EXCLUDE
  PATTERN "Screenshot_*.png" EXCLUDE
  PATTERN Lumaro.gob EXCLUDE
  PATTERN "DejaVu*.ttf" EXCLUDE)
foreach(face ${ULVO_FONT_FACES})
  install(CODE "file(CREATE_LINK ${ULVO_DEJAVU_DIR}/${face}
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/threematch/data/Fonts/${face}\" SYMBOLIC)")
endforeach()

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

# Copyright (machine-readable) and changelog, as Debian wants them beside every package; the
# text files of the data are UTF-16, as the game reads them, which the package checker is told.
configure_file(${CMAKE_SOURCE_DIR}/dist/changelog.in ${CMAKE_BINARY_DIR}/dist/changelog @ONLY)
set(ULVO_DOC_FILES ${CMAKE_SOURCE_DIR}/dist/copyright)
if(ULVO_GZIP)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/dist/changelog.gz
    COMMAND ${ULVO_GZIP} -9n -c ${CMAKE_BINARY_DIR}/dist/changelog > ${CMAKE_BINARY_DIR}/dist/changelog.gz
    DEPENDS ${CMAKE_BINARY_DIR}/dist/changelog
    COMMENT "Compressing the changelog")
  add_custom_target(changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/dist/changelog.gz)
  list(APPEND ULVO_DOC_FILES ${CMAKE_BINARY_DIR}/dist/changelog.gz)
endif()
install(FILES ${ULVO_DOC_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/threematch)
install(FILES ${CMAKE_SOURCE_DIR}/dist/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
  RENAME threematch)

# The Debian package (cpack -G DEB). Its dependencies come from the shared libraries the game
# links (dpkg-shlibdeps), plus those it opens itself at run time, which no link names: OpenGL
# (through SDL) and FFmpeg for the intro (platform/src/dshow/FFmpeg.h), found as packaged here.
set(CPACK_PACKAGE_NAME threematch)
set(CPACK_PACKAGE_VENDOR "Lumaro team")
set(CPACK_PACKAGE_CONTACT "${THREEMATCH_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Lumaro, a match-three puzzle game with a town to build")
set(CPACK_PACKAGE_DESCRIPTION "Swap neighbouring stones so that three or more of a kind line up; the
goods they bring raise the buildings of a small town, whose houses hold sixteen
minigames.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${THREEMATCH_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Debian keeps games in /usr/games: the package moves the program there from bin/ (and makes the
# font links relative).
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/DebianLayout.cmake)
set(ULVO_OPENED_LIBRARIES "")
if(DEFINED ULVO_FFMPEG_libavutil_VERSION)
  foreach(lib libavutil libswresample libswscale libavcodec libavformat)
    string(REGEX MATCH "^[0-9]+" major "${ULVO_FFMPEG_${lib}_VERSION}")
    list(APPEND ULVO_OPENED_LIBRARIES ${lib}.so.${major})
  endforeach()
endif()
list(APPEND ULVO_OPENED_LIBRARIES libGL.so.1)
find_program(ULVO_DPKG_QUERY dpkg-query)
set(ULVO_OPENED_PACKAGES "")
foreach(lib ${ULVO_OPENED_LIBRARIES})
  find_library(ULVO_OPENED_${lib} NAMES ${lib})
  if(ULVO_DPKG_QUERY AND ULVO_OPENED_${lib})
    execute_process(COMMAND ${ULVO_DPKG_QUERY} -S ${ULVO_OPENED_${lib}} OUTPUT_VARIABLE owner ERROR_QUIET)
    string(REGEX MATCH "^[^:]+" package "${owner}")
    if(package)
      list(APPEND ULVO_OPENED_PACKAGES ${package})
    endif()
  endif()
endforeach()
# The fonts are links into this package.
list(APPEND ULVO_OPENED_PACKAGES fonts-dejavu-core)
list(REMOVE_DUPLICATES ULVO_OPENED_PACKAGES)
string(REPLACE ";" ", " CPACK_DEBIAN_PACKAGE_DEPENDS "${ULVO_OPENED_PACKAGES}")
# OpenGL draws through a Mesa driver (software rendering included).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libgl1-mesa-dri)
set(CPACK_GENERATOR DEB)
include(CPack)
