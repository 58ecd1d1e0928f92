# The grid terrain's pictures: tools/terraintool paints the four layers (grass, rock, snow,
# earth), their bump maps and the colour map into the runtime folder, under the names
# data/textures/terrain.tex lists.
set(ULVO_TERRAIN_ART_DIR ${ULVO_RUNTIME_DIR}/data/textures/terrain)
set(ULVO_TERRAIN_ART "")
foreach(layer gras fels schnee erde)
  list(APPEND ULVO_TERRAIN_ART ${ULVO_TERRAIN_ART_DIR}/terrain_${layer}.png ${ULVO_TERRAIN_ART_DIR}/terrain_${layer}_bump.png)
endforeach()
list(APPEND ULVO_TERRAIN_ART ${ULVO_TERRAIN_ART_DIR}/terrain_farbe.png)
add_custom_command(
  OUTPUT ${ULVO_TERRAIN_ART}
  COMMAND terraintool paint 128 ${ULVO_TERRAIN_ART_DIR}
  DEPENDS terraintool
  COMMENT "Painting the terrain's layers into ${ULVO_TERRAIN_ART_DIR}"
  VERBATIM)
list(APPEND ULVO_GENERATED_DATA ${ULVO_TERRAIN_ART})
