# The Lua 5.1 runtime's sources come from the distribution's source package,
# fetched once into the build tree (never into the source tree). Sets
# LUA51_SOURCE_DIR to the unpacked tree's src/ directory.
set(LUA51_CACHE_DIR ${CMAKE_BINARY_DIR}/third_party/lua5.1)

function(find_lua51_tree result)
  file(GLOB trees LIST_DIRECTORIES true ${LUA51_CACHE_DIR}/lua5.1-*/src/lapi.c)
  set(${result} "${trees}" PARENT_SCOPE)
endfunction()

find_lua51_tree(LUA51_FOUND_FILES)
if(NOT LUA51_FOUND_FILES)
  # A private source list and apt state, made from the machine's archives:
  # the machine's own apt configuration is never changed for this download.
  message(STATUS "Fetching the lua5.1 source package into ${LUA51_CACHE_DIR}")
  execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/fetch-source-package lua5.1 ${LUA51_CACHE_DIR}
                  RESULT_VARIABLE fetch_result
                  OUTPUT_QUIET ERROR_VARIABLE fetch_errors)
  find_lua51_tree(LUA51_FOUND_FILES)
  if(NOT LUA51_FOUND_FILES)
    message(FATAL_ERROR "Could not fetch the lua5.1 source package (scripts/fetch-source-package, "
                        "needs dpkg-dev; see scripts/setup): ${fetch_errors}")
  endif()
endif()
list(GET LUA51_FOUND_FILES 0 lua51_lapi)
get_filename_component(LUA51_SOURCE_DIR ${lua51_lapi} DIRECTORY)

set(LUA51_CORE_FILES lapi lcode ldebug ldo ldump lfunc lgc llex lmem lobject lopcodes
    lparser lstate lstring ltable ltm lundump lvm lzio)
set(LUA51_LIBRARY_FILES lauxlib lbaselib ldblib liolib lmathlib loslib ltablib lstrlib
    loadlib linit)
set(LUA51_SOURCES)
foreach(name ${LUA51_CORE_FILES} ${LUA51_LIBRARY_FILES})
  list(APPEND LUA51_SOURCES ${LUA51_SOURCE_DIR}/${name}.c)
endforeach()
