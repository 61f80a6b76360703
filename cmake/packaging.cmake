# Release packages: one ZIP archive per DLL, holding the DLL and what its
# users need beside it. Every build makes them in build/packages (target
# `packages`); scripts/package builds and names them.
#
#   oboard-VERSION-win32.zip  oboard.dll, README.txt, LICENSE.txt,
#                             include/oboard/*.h, MESSAGES.md and its images/
#   tolva-VERSION-win32.zip   tolva.dll with the runtime it needs (luahost.exe,
#                             LuaPlus.dll), README.txt, LICENSE.txt,
#                             LICENSE-Lua.txt, REFERENCE.md, CALLBACKS.md,
#                             examples/*.lua, and the binding for embedders
#                             (include/LuaPlus/LuaPlus.h, lib/libLuaPlus.dll.a)
#
# Each component installs into the root of its own archive, so both have a
# README.txt: install one at a time (cmake --install build --component
# oboard --prefix DIR); a plain install installs nothing.

# Reads PREFIX_VERSION_MAJOR/MINOR/PATCH/BUILD and PREFIX_VERSION_TEXT from
# a version header into OUT_VAR (the text), checking that they agree: the
# text is MAJOR.MINOR.PATCH, with .BUILD when BUILD is not 0.
function(read_version_header header prefix out_var)
  file(STRINGS ${header} lines REGEX "^#define ${prefix}_VERSION_")
  foreach(part MAJOR MINOR PATCH BUILD)
    string(REGEX MATCH "#define ${prefix}_VERSION_${part} ([0-9]+)" found "${lines}")
    if(NOT found)
      message(FATAL_ERROR "${header}: no ${prefix}_VERSION_${part}")
    endif()
    set(${part} ${CMAKE_MATCH_1})
  endforeach()
  string(REGEX MATCH "#define ${prefix}_VERSION_TEXT \"([0-9.]+)\"" found "${lines}")
  if(NOT found)
    message(FATAL_ERROR "${header}: no ${prefix}_VERSION_TEXT")
  endif()
  set(text ${CMAKE_MATCH_1})
  set(expected ${MAJOR}.${MINOR}.${PATCH})
  if(NOT BUILD EQUAL 0)
    string(APPEND expected .${BUILD})
  endif()
  if(NOT text STREQUAL expected)
    message(FATAL_ERROR "${header}: the text \"${text}\" does not name the numbers ${MAJOR}.${MINOR}.${PATCH}.${BUILD}")
  endif()
  set(${out_var} ${text} PARENT_SCOPE)
endfunction()

read_version_header(${CMAKE_SOURCE_DIR}/board/res/version.h OBOARD OBOARD_VERSION)
read_version_header(${CMAKE_SOURCE_DIR}/scriptnet/tolva_version.h TOLVA TOLVA_VERSION)
# Both DLLs are 32-bit Windows programs only.
set(PACKAGE_PLATFORM win32)
set(OBOARD_PACKAGE_NAME oboard-${OBOARD_VERSION}-${PACKAGE_PLATFORM})
set(TOLVA_PACKAGE_NAME tolva-${TOLVA_VERSION}-${PACKAGE_PLATFORM})
set(PACKAGE_DIR ${CMAKE_BINARY_DIR}/packages)
set(OBOARD_PACKAGE ${PACKAGE_DIR}/${OBOARD_PACKAGE_NAME}.zip)
set(TOLVA_PACKAGE ${PACKAGE_DIR}/${TOLVA_PACKAGE_NAME}.zip)

# Documents are read on Windows, in any editor: CRLF line ends.
set(PACKAGE_STAGING ${CMAKE_BINARY_DIR}/package_files)
function(package_document source destination)
  configure_file(${source} ${PACKAGE_STAGING}/${destination} @ONLY NEWLINE_STYLE CRLF)
endfunction()

# ---- oboard ----------------------------------------------------------------
package_document(${CMAKE_SOURCE_DIR}/docs/packages/oboard-README.txt.in oboard/README.txt)
package_document(${CMAKE_SOURCE_DIR}/LICENSE oboard/LICENSE.txt)
package_document(${CMAKE_SOURCE_DIR}/docs/plugin-messages.md oboard/MESSAGES.md)
set(OBOARD_HEADERS
  ${CMAKE_SOURCE_DIR}/board/include/oboard/board_ui.h
  ${CMAKE_SOURCE_DIR}/board/include/oboard/host_core.h
  ${CMAKE_SOURCE_DIR}/board/include/oboard/plugin_messages.h)
# The pictures the guide shows, as committed in docs/images.
file(STRINGS ${CMAKE_SOURCE_DIR}/docs/plugin-messages.md guide_picture_lines REGEX "\\]\\(images/[^)]+\\.png\\)")
string(REGEX MATCHALL "images/[^)]+\\.png" guide_pictures "${guide_picture_lines}")
list(REMOVE_DUPLICATES guide_pictures)
set(OBOARD_GUIDE_PICTURES)
foreach(picture ${guide_pictures})
  list(APPEND OBOARD_GUIDE_PICTURES ${CMAKE_SOURCE_DIR}/docs/${picture})
endforeach()

install(TARGETS oboard RUNTIME DESTINATION . COMPONENT oboard EXCLUDE_FROM_ALL)
install(FILES ${PACKAGE_STAGING}/oboard/README.txt ${PACKAGE_STAGING}/oboard/LICENSE.txt
              ${PACKAGE_STAGING}/oboard/MESSAGES.md
        DESTINATION . COMPONENT oboard EXCLUDE_FROM_ALL)
install(FILES ${OBOARD_HEADERS} DESTINATION include/oboard COMPONENT oboard EXCLUDE_FROM_ALL)
install(FILES ${OBOARD_GUIDE_PICTURES} DESTINATION images COMPONENT oboard EXCLUDE_FROM_ALL)

# ---- tolva -----------------------------------------------------------------
package_document(${CMAKE_SOURCE_DIR}/docs/packages/tolva-README.txt.in tolva/README.txt)
package_document(${CMAKE_SOURCE_DIR}/LICENSE tolva/LICENSE.txt)
package_document(${CMAKE_SOURCE_DIR}/docs/callback-servers.md tolva/CALLBACKS.md)
# LuaPlus.dll holds the Lua runtime: its notice, from the sources the build
# fetched, goes with it.
include(${CMAKE_SOURCE_DIR}/hosts/luaplus/lua_sources.cmake)
package_document(${LUA51_SOURCE_DIR}/../COPYRIGHT tolva/LICENSE-Lua.txt)
# The function reference: examples/README.md from its list of examples on
# (what comes before is about running them from the project's tree).
file(READ ${CMAKE_SOURCE_DIR}/examples/README.md examples_readme)
string(FIND "${examples_readme}" "## The examples" reference_start)
if(reference_start LESS 0)
  message(FATAL_ERROR "examples/README.md: no \"## The examples\" heading to start the reference at")
endif()
string(SUBSTRING "${examples_readme}" ${reference_start} -1 reference_text)
file(WRITE ${PACKAGE_STAGING}/tolva/REFERENCE.md.in "# tolva @TOLVA_VERSION@: functions and examples\n\n${reference_text}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/examples/README.md)
package_document(${PACKAGE_STAGING}/tolva/REFERENCE.md.in tolva/REFERENCE.md)
set(TOLVA_EXAMPLES
  ${CMAKE_SOURCE_DIR}/examples/chat_server.lua
  ${CMAKE_SOURCE_DIR}/examples/echo_server.lua
  ${CMAKE_SOURCE_DIR}/examples/http_server.lua
  ${CMAKE_SOURCE_DIR}/examples/tcp_client.lua
  ${CMAKE_SOURCE_DIR}/examples/udp_exchange.lua)
set(LUAPLUS_HEADER ${CMAKE_SOURCE_DIR}/hosts/luaplus/include/LuaPlus/LuaPlus.h)

# The module runs only under a binding built by the same compiler family:
# the archive brings its runtime, and the binding's header and import
# library for hosts of one's own.
install(TARGETS tolva luahost RUNTIME DESTINATION . COMPONENT tolva EXCLUDE_FROM_ALL)
install(TARGETS LuaPlus
        RUNTIME DESTINATION . COMPONENT tolva EXCLUDE_FROM_ALL
        ARCHIVE DESTINATION lib COMPONENT tolva EXCLUDE_FROM_ALL)
install(FILES ${LUAPLUS_HEADER} DESTINATION include/LuaPlus COMPONENT tolva EXCLUDE_FROM_ALL)
install(FILES ${PACKAGE_STAGING}/tolva/README.txt ${PACKAGE_STAGING}/tolva/LICENSE.txt
              ${PACKAGE_STAGING}/tolva/LICENSE-Lua.txt
              ${PACKAGE_STAGING}/tolva/REFERENCE.md ${PACKAGE_STAGING}/tolva/CALLBACKS.md
        DESTINATION . COMPONENT tolva EXCLUDE_FROM_ALL)
install(FILES ${TOLVA_EXAMPLES} DESTINATION examples COMPONENT tolva EXCLUDE_FROM_ALL)

# ---- the archives ------------------------------------------------------------
# CPack runs the build's "preinstall" target: it must not build everything
# (this target among it) again from inside the build.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME oboard-and-tolva)
set(CPACK_PACKAGE_VENDOR "The oboard and tolva developers")
set(CPACK_PACKAGE_VERSION ${OBOARD_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL oboard tolva)
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_ARCHIVE_OBOARD_FILE_NAME ${OBOARD_PACKAGE_NAME})
set(CPACK_ARCHIVE_TOLVA_FILE_NAME ${TOLVA_PACKAGE_NAME})
# The DLL and the documents at the archive's root, as users unpack them into
# the folder they go to.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# Without debugging information: a fifth of the size.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/cpack)
include(CPack)

add_custom_command(
  OUTPUT ${OBOARD_PACKAGE} ${TOLVA_PACKAGE}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/cpack
  COMMAND ${CMAKE_CPACK_COMMAND} -G ZIP --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
  # Only this version's archives stay in build/packages.
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${PACKAGE_DIR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PACKAGE_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/cpack/${OBOARD_PACKAGE_NAME}.zip
          ${CMAKE_BINARY_DIR}/cpack/${TOLVA_PACKAGE_NAME}.zip ${PACKAGE_DIR}
  DEPENDS oboard tolva luahost LuaPlus ${LUAPLUS_HEADER}
          ${PACKAGE_STAGING}/oboard/README.txt ${PACKAGE_STAGING}/oboard/LICENSE.txt
          ${PACKAGE_STAGING}/oboard/MESSAGES.md ${OBOARD_HEADERS} ${OBOARD_GUIDE_PICTURES}
          ${PACKAGE_STAGING}/tolva/README.txt ${PACKAGE_STAGING}/tolva/LICENSE.txt
          ${PACKAGE_STAGING}/tolva/LICENSE-Lua.txt ${PACKAGE_STAGING}/tolva/REFERENCE.md ${PACKAGE_STAGING}/tolva/CALLBACKS.md ${TOLVA_EXAMPLES}
  COMMENT "Packing ${OBOARD_PACKAGE_NAME}.zip and ${TOLVA_PACKAGE_NAME}.zip"
  VERBATIM)
add_custom_target(packages ALL DEPENDS ${OBOARD_PACKAGE} ${TOLVA_PACKAGE})
