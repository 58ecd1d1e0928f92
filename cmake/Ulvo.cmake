# ulvo_library(<target> DIR <folder> [EXCLUDE <files>...] [SOURCES <files>...]
#              [INCLUDE_ROOT <folder>] [DEPS <targets>...])
# One static library per subsystem folder; its sources are every .cpp in the folder
# (subfolders included), so adding a file needs no edit here. EXCLUDE leaves files of the
# folder (names relative to DIR) to another target; SOURCES names that target's files
# instead of taking the whole folder (relative to DIR). A folder without sources yet gives
# an interface library, so dependents can already name it.
function(ulvo_library target)
  cmake_parse_arguments(ARG "" "DIR;INCLUDE_ROOT" "DEPS;EXCLUDE;SOURCES" ${ARGN})
  if(ARG_SOURCES)
    list(TRANSFORM ARG_SOURCES PREPEND ${ARG_DIR}/ OUTPUT_VARIABLE srcs)
  else()
    file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp ${ARG_DIR}/*.c)
  endif()
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM srcs ${ARG_DIR}/${excluded})
  endforeach()
  if(NOT ARG_INCLUDE_ROOT)
    get_filename_component(ARG_INCLUDE_ROOT ${ARG_DIR} DIRECTORY)
  endif()
  if(srcs)
    add_library(${target} STATIC ${srcs})
    target_include_directories(${target} PUBLIC ${ARG_INCLUDE_ROOT})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${ARG_INCLUDE_ROOT})
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# ulvo_test(<target> DIR <folder> [EXCLUDE <files>...] [SOURCES <files>...] DEPS <targets>...)
# One GoogleTest executable per source folder under tests/; each test runs in a
# working folder of its own so log files and saves never mix between binaries.
# EXCLUDE and SOURCES work as for ulvo_library: tests of a folder that need a higher
# layer than the folder's own go to a target of their own.
function(ulvo_test target)
  cmake_parse_arguments(ARG "" "DIR" "DEPS;EXCLUDE;SOURCES" ${ARGN})
  if(ARG_SOURCES)
    list(TRANSFORM ARG_SOURCES PREPEND ${ARG_DIR}/ OUTPUT_VARIABLE srcs)
  else()
    file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  endif()
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM srcs ${ARG_DIR}/${excluded})
  endforeach()
  if(NOT srcs)
    return()
  endif()
  add_executable(${target} ${srcs})
  target_link_libraries(${target} PRIVATE ulvo_testsupport ${ARG_DEPS})
  # Tests in family subfolders reach the folder's shared test helpers by name.
  target_include_directories(${target} PRIVATE ${ARG_DIR})
  set(workdir ${CMAKE_BINARY_DIR}/testwork/${target})
  file(MAKE_DIRECTORY ${workdir})
  # The test main sets the headless SDL drivers and a private XDG folder;
  # the build folders are compiled into the test support library.
  gtest_discover_tests(${target} WORKING_DIRECTORY ${workdir} DISCOVERY_TIMEOUT 60)
endfunction()
