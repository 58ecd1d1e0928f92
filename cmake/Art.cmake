# Pictures: tools/arttool draws them as SVG (kept in ${CMAKE_BINARY_DIR}/art) and renders them
# with rsvg-convert straight into the runtime folder, under the paths the texture lists name.
find_program(ULVO_RSVG_CONVERT rsvg-convert)
if(NOT ULVO_RSVG_CONVERT)
  message(WARNING "rsvg-convert not found: the runtime folder gets no pictures")
  return()
endif()
set(ULVO_ART_STAMP ${CMAKE_BINARY_DIR}/art/art.stamp)
add_custom_command(
  OUTPUT ${ULVO_ART_STAMP}
  COMMAND arttool ${ULVO_RUNTIME_DIR} ${CMAKE_BINARY_DIR}/art
  COMMAND ${CMAKE_COMMAND} -E touch ${ULVO_ART_STAMP}
  DEPENDS arttool
  COMMENT "Drawing the pictures into ${ULVO_RUNTIME_DIR}"
  VERBATIM)
list(APPEND ULVO_GENERATED_DATA ${ULVO_ART_STAMP})
