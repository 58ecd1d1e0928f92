# Meshes: tools/meshtool writes the static meshes (.x text) and the props' textures straight into
# the runtime folder, under the names the mesh list data/Meshes/meshes.msh gives them.
set(ULVO_MESH_STAMP ${CMAKE_BINARY_DIR}/meshes.stamp)
add_custom_command(
  OUTPUT ${ULVO_MESH_STAMP}
  COMMAND meshtool ${ULVO_RUNTIME_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${ULVO_MESH_STAMP}
  DEPENDS meshtool
  COMMENT "Writing the meshes into ${ULVO_RUNTIME_DIR}"
  VERBATIM)
list(APPEND ULVO_GENERATED_DATA ${ULVO_MESH_STAMP})
