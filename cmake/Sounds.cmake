# Sounds: tools/sounds/make-waves.sh synthesises the waves with sox (kept in
# ${CMAKE_BINARY_DIR}/sounds) and xactbuild packs them, as tools/sounds/sounds.xact
# describes, into the global settings, wave banks and sound banks under
# ${ULVO_RUNTIME_DIR}/data/Sounds, which "data\Sounds\sounds.snd" names.
find_program(ULVO_SOX sox)
if(NOT ULVO_SOX)
  message(WARNING "sox not found: the runtime folder gets no sounds")
  return()
endif()
set(ULVO_SOUND_WORK ${CMAKE_BINARY_DIR}/sounds)
set(ULVO_SOUND_OUT ${ULVO_RUNTIME_DIR}/data/Sounds)
set(ULVO_SOUND_FILES
  ${ULVO_SOUND_OUT}/Vodezivudo.xgs
  ${ULVO_SOUND_OUT}/effects.xwb ${ULVO_SOUND_OUT}/effects.xsb
  ${ULVO_SOUND_OUT}/music.xwb ${ULVO_SOUND_OUT}/music.xsb)
add_custom_command(
  OUTPUT ${ULVO_SOUND_FILES}
  COMMAND sh ${CMAKE_SOURCE_DIR}/tools/sounds/make-waves.sh ${ULVO_SOUND_WORK}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/tools/sounds/sounds.xact ${ULVO_SOUND_WORK}/sounds.xact
  COMMAND $<TARGET_FILE:xactbuild> ${ULVO_SOUND_WORK}/sounds.xact ${ULVO_SOUND_OUT}
  DEPENDS xactbuild ${CMAKE_SOURCE_DIR}/tools/sounds/make-waves.sh ${CMAKE_SOURCE_DIR}/tools/sounds/sounds.xact
  COMMENT "Synthesising the sounds into ${ULVO_SOUND_OUT}"
  VERBATIM)
list(APPEND ULVO_GENERATED_DATA ${ULVO_SOUND_FILES})
