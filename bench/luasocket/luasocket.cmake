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

add_library(lua51 SHARED ${LUA51_SOURCES})
target_include_directories(lua51 PUBLIC ${LUA51_SOURCE_DIR})
target_compile_definitions(lua51 PUBLIC LUA_BUILD_AS_DLL)
add_executable(lua ${LUA51_SOURCE_DIR}/lua.c)
target_link_libraries(lua PRIVATE lua51)

add_library(luasocket_socket SHARED
  ${LUASOCKET_SOURCE_DIR}/luasocket.c ${LUASOCKET_SOURCE_DIR}/timeout.c ${LUASOCKET_SOURCE_DIR}/buffer.c
  ${LUASOCKET_SOURCE_DIR}/io.c ${LUASOCKET_SOURCE_DIR}/auxiliar.c ${LUASOCKET_SOURCE_DIR}/compat.c
  ${LUASOCKET_SOURCE_DIR}/options.c ${LUASOCKET_SOURCE_DIR}/inet.c ${LUASOCKET_SOURCE_DIR}/wsocket.c
  ${LUASOCKET_SOURCE_DIR}/except.c ${LUASOCKET_SOURCE_DIR}/select.c ${LUASOCKET_SOURCE_DIR}/tcp.c
  ${LUASOCKET_SOURCE_DIR}/udp.c)
# The project builds for Windows XP, whose headers lack inet_pton: LuaSocket
# brings its own.
target_compile_definitions(luasocket_socket PRIVATE LUASOCKET_INET_PTON)
target_link_libraries(luasocket_socket PRIVATE lua51 ws2_32)
add_library(luasocket_mime SHARED ${LUASOCKET_SOURCE_DIR}/mime.c ${LUASOCKET_SOURCE_DIR}/compat.c)
target_link_libraries(luasocket_mime PRIVATE lua51)

set_target_properties(lua51 lua PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${LUASOCKET_PEER_DIR})
set_target_properties(lua51 PROPERTIES PREFIX "")
# socket.core and mime.core: each module's core.dll in its own folder.
foreach(module socket mime)
  set_target_properties(luasocket_${module} PROPERTIES PREFIX "" OUTPUT_NAME core
                        RUNTIME_OUTPUT_DIRECTORY ${LUASOCKET_PEER_DIR}/${module}
                        ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib/luasocket_${module})
endforeach()

foreach(module ltn12 socket mime)
  configure_file(${LUASOCKET_SOURCE_DIR}/${module}.lua ${LUASOCKET_PEER_DIR}/${module}.lua COPYONLY)
endforeach()
foreach(module http url tp ftp headers smtp)
  configure_file(${LUASOCKET_SOURCE_DIR}/${module}.lua ${LUASOCKET_PEER_DIR}/socket/${module}.lua COPYONLY)
endforeach()
