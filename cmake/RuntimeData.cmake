# The runtime folder the game starts in: the data folder turned into the engine's
# on-disk form by datatool, and the main archive "Lumaro.gob" packed from the
# same files by gobtool, with names like "data\FX\effecte.fxf".
if(ULVO_FUZZ)
  return()
endif()

file(GLOB_RECURSE ULVO_DATA_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/*)
set(ULVO_RUNTIME_ARCHIVE ${ULVO_RUNTIME_DIR}/Lumaro.gob)

# Generated art, sounds, video, fonts and meshes: each file below writes its outputs straight into the
# runtime folder and appends them to ULVO_GENERATED_DATA, so the archive is packed after them.
set(ULVO_GENERATED_DATA "")
foreach(part Art Skies Sounds Video Fonts Meshes Terrain)
  if(EXISTS ${CMAKE_SOURCE_DIR}/cmake/${part}.cmake)
    include(${CMAKE_SOURCE_DIR}/cmake/${part}.cmake)
  endif()
endforeach()

# gobtool packs the runtime folder itself, leaving out the archive and the
# engine's "logs" folder. Steps that generate further data into the runtime
# folder add their outputs to this command's DEPENDS.
add_custom_command(
  OUTPUT ${ULVO_RUNTIME_ARCHIVE}
  COMMAND datatool build ${CMAKE_SOURCE_DIR}/data ${ULVO_RUNTIME_DIR}
  COMMAND gobtool pack ${ULVO_RUNTIME_DIR} ${ULVO_RUNTIME_ARCHIVE}
  DEPENDS datatool gobtool ${ULVO_DATA_SOURCES} ${ULVO_GENERATED_DATA}
  COMMENT "Building the runtime data in ${ULVO_RUNTIME_DIR}"
  VERBATIM)
add_custom_target(runtime_data ALL DEPENDS ${ULVO_RUNTIME_ARCHIVE})
