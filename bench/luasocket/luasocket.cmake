# LuaSocket as a benchmark peer of tolva: built for the target from the
# distribution's source package at build time, run by the stock Lua 5.1
# interpreter over a plain runtime DLL made from the same Lua sources as the
# binding (without its lock). Nothing of it is committed, installed or
# packed. The layout is a LuaSocket installation beside lua.exe, where the
# runtime's default paths find it ("!\?.lua", "!\?.dll"):
#   build/bench/luasocket/lua.exe, lua51.dll, socket.lua, ltn12.lua, mime.lua
#   build/bench/luasocket/socket/core.dll, http.lua, url.lua, ...
#   build/bench/luasocket/mime/core.dll
# Third-party code: built as it comes, without the project's warnings.
include(${CMAKE_SOURCE_DIR}/hosts/luaplus/lua_sources.cmake)
include(${CMAKE_SOURCE_DIR}/cmake/source_package.cmake)
fetch_source_package(luasocket "luasocket-*/src/luasocket.c" LUASOCKET_SOURCE_DIR)

set(LUASOCKET_PEER_DIR ${CMAKE_BINARY_DIR}/bench/luasocket)

add_library(lua51_plain SHARED ${LUA51_SOURCES})
target_include_directories(lua51_plain PUBLIC ${LUA51_SOURCE_DIR})
target_compile_definitions(lua51_plain PUBLIC LUA_BUILD_AS_DLL)
add_executable(lua_interpreter ${LUA51_SOURCE_DIR}/lua.c)
target_link_libraries(lua_interpreter PRIVATE lua51_plain)
set_target_properties(lua51_plain PROPERTIES PREFIX "" OUTPUT_NAME lua51)
set_target_properties(lua_interpreter PROPERTIES OUTPUT_NAME lua)
set_target_properties(lua51_plain lua_interpreter PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${LUASOCKET_PEER_DIR})

# socket.core (its Windows socket layer wsocket) and mime.core, each module's
# core.dll in its own folder.
set(LUASOCKET_SOCKET_FILES luasocket timeout buffer io auxiliar compat options inet wsocket except select tcp udp)
set(LUASOCKET_MIME_FILES mime compat)
foreach(module SOCKET MIME)
  string(TOLOWER ${module} name)
  set(sources)
  foreach(file ${LUASOCKET_${module}_FILES})
    list(APPEND sources ${LUASOCKET_SOURCE_DIR}/${file}.c)
  endforeach()
  add_library(luasocket_${name} SHARED ${sources})
  target_link_libraries(luasocket_${name} PRIVATE lua51_plain)
  set_target_properties(luasocket_${name} PROPERTIES PREFIX "" OUTPUT_NAME core
                        RUNTIME_OUTPUT_DIRECTORY ${LUASOCKET_PEER_DIR}/${name}
                        ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib/luasocket_${name})
endforeach()
target_link_libraries(luasocket_socket PRIVATE ws2_32)
# The project builds for Windows XP, whose headers lack inet_pton: LuaSocket
# brings its own.
target_compile_definitions(luasocket_socket PRIVATE LUASOCKET_INET_PTON)

foreach(module ltn12 socket mime)
  configure_file(${LUASOCKET_SOURCE_DIR}/${module}.lua ${LUASOCKET_PEER_DIR}/${module}.lua COPYONLY)
endforeach()
foreach(module http url tp ftp headers smtp)
  configure_file(${LUASOCKET_SOURCE_DIR}/${module}.lua ${LUASOCKET_PEER_DIR}/socket/${module}.lua COPYONLY)
endforeach()
