# Fonts: the faces "data\font.fnt" registers as font resources, copied from fonts-dejavu-core,
# and the console's glyph sheet, rasterised by tools/fonttool, which also fails the build when
# the letters in data/font.fnt no longer describe the sheet.
set(ULVO_DEJAVU_DIR /usr/share/fonts/truetype/dejavu)
set(ULVO_FONT_FACES DejaVuSans.ttf DejaVuSans-Bold.ttf)
set(ULVO_CONSOLE_FACE ${ULVO_DEJAVU_DIR}/DejaVuSansMono.ttf)
# The sheet's pixel size; data/font.fnt's letters are written for it.
set(ULVO_CONSOLE_PIXELS 32)

foreach(face ${ULVO_FONT_FACES} DejaVuSansMono.ttf)
  if(NOT EXISTS ${ULVO_DEJAVU_DIR}/${face})
    message(WARNING "${ULVO_DEJAVU_DIR}/${face} not found (fonts-dejavu-core): the runtime folder gets no fonts")
    return()
  endif()
endforeach()

set(ULVO_FONT_DIR ${ULVO_RUNTIME_DIR}/data/Fonts)
foreach(face ${ULVO_FONT_FACES})
  add_custom_command(
    OUTPUT ${ULVO_FONT_DIR}/${face}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ULVO_FONT_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ULVO_DEJAVU_DIR}/${face} ${ULVO_FONT_DIR}/${face}
    DEPENDS ${ULVO_DEJAVU_DIR}/${face}
    COMMENT "Copying the font ${face} into ${ULVO_FONT_DIR}"
    VERBATIM)
  list(APPEND ULVO_GENERATED_DATA ${ULVO_FONT_DIR}/${face})
endforeach()

add_custom_command(
  OUTPUT ${ULVO_FONT_DIR}/konsole.png
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ULVO_FONT_DIR}
  COMMAND fonttool sheet ${ULVO_CONSOLE_FACE} ${ULVO_CONSOLE_PIXELS} ${ULVO_FONT_DIR}/konsole.png
          ${CMAKE_SOURCE_DIR}/data/font.fnt
  DEPENDS fonttool ${ULVO_CONSOLE_FACE} ${CMAKE_SOURCE_DIR}/data/font.fnt
  COMMENT "Rasterising the console font into ${ULVO_FONT_DIR}/konsole.png"
  VERBATIM)
list(APPEND ULVO_GENERATED_DATA ${ULVO_FONT_DIR}/konsole.png)
