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

# The Debian package (cpack -G DEB). Its dependencies come from the shared libraries the game
# links (dpkg-shlibdeps), plus those it opens itself at run time, which no link names: OpenGL
# (through SDL) and FFmpeg for the intro (platform/src/dshow/FFmpeg.h), found as packaged here.
set(CPACK_PACKAGE_NAME threematch)
set(CPACK_PACKAGE_VENDOR "Lumaro team")
set(CPACK_PACKAGE_CONTACT "Lumaro team <team@lumaro.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Lumaro, a match-three puzzle game with a town to build")
set(CPACK_PACKAGE_DESCRIPTION "Swap neighbouring stones so that three or more of a kind line up; the goods
they bring raise the buildings of a small town, whose houses hold sixteen minigames.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${THREEMATCH_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
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
list(REMOVE_DUPLICATES ULVO_OPENED_PACKAGES)
string(REPLACE ";" ", " CPACK_DEBIAN_PACKAGE_DEPENDS "${ULVO_OPENED_PACKAGES}")
# OpenGL draws through a Mesa driver (software rendering included).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libgl1-mesa-dri)
set(CPACK_GENERATOR DEB)
include(CPack)
