# Sky cube maps: tools/cubetool paints each sky's six faces as PNG pictures (kept in
# ${CMAKE_BINARY_DIR}/art/skies) and assembles them into a DDS cube map in the runtime folder,
# under the names data/textures/sky.tex lists.
set(ULVO_SKY_FACE_DIR ${CMAKE_BINARY_DIR}/art/skies)
# kind, face size, file name under data/textures
set(ULVO_SKIES
  "sky 128 sky.dds"
  "background 128 sky_background.dds"
  "environment 32 sky_environment.dds"
  "clouds 128 sky_clouds.dds"
  "street 64 street_sky.dds")
foreach(entry ${ULVO_SKIES})
  separate_arguments(fields UNIX_COMMAND "${entry}")
  list(GET fields 0 kind)
  list(GET fields 1 size)
  list(GET fields 2 name)
  set(faces "")
  foreach(face posx negx posy negy posz negz)
    list(APPEND faces ${ULVO_SKY_FACE_DIR}/${kind}_${face}.png)
  endforeach()
  set(output ${ULVO_RUNTIME_DIR}/data/textures/${name})
  add_custom_command(
    OUTPUT ${output}
    COMMAND cubetool paint ${kind} ${size} ${ULVO_SKY_FACE_DIR}
    COMMAND cubetool assemble ${output} ${faces}
    DEPENDS cubetool
    COMMENT "Painting the ${kind} cube map into ${output}"
    VERBATIM)
  list(APPEND ULVO_GENERATED_DATA ${output})
endforeach()
