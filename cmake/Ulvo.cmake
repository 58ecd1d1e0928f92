# ulvo_library(<target> DIR <folder> [DEPS <targets>...] [PACKAGES <imported targets>...])
# One static library per subsystem folder; its sources are every .cpp in the folder
# (subfolders included), so adding a file needs no edit here. A folder without
# sources yet gives an interface library, so dependents can already name it.
function(ulvo_library target)
  cmake_parse_arguments(ARG "" "DIR;INCLUDE_ROOT" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp ${ARG_DIR}/*.c)
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

# ulvo_test(<target> DIR <folder> DEPS <targets>...)
# One GoogleTest executable per source folder under tests/; each test runs in a
# working folder of its own so log files and saves never mix between binaries.
function(ulvo_test target)
  cmake_parse_arguments(ARG "" "DIR" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${target} ${srcs})
  target_link_libraries(${target} PRIVATE ulvo_testsupport ${ARG_DEPS})
  set(workdir ${CMAKE_BINARY_DIR}/testwork/${target})
  file(MAKE_DIRECTORY ${workdir})
  # The test main sets the headless SDL drivers and a private XDG folder;
  # the build folders are compiled into the test support library.
  gtest_discover_tests(${target} WORKING_DIRECTORY ${workdir} DISCOVERY_TIMEOUT 60)
endfunction()
