# Third-party sources from the distribution's source packages, fetched once
# into the build tree (never into the source tree) with a private source list
# and apt state (scripts/fetch-source-package).
#
# fetch_source_package(PACKAGE MARKER OUT_VAR): fetches PACKAGE into
# build/third_party/PACKAGE unless a file matching MARKER (a glob below that
# folder) is there already, and sets OUT_VAR to the folder holding MARKER.
function(fetch_source_package package marker out_var)
  set(cache ${CMAKE_BINARY_DIR}/third_party/${package})
  file(GLOB found ${cache}/${marker})
  if(NOT found)
    message(STATUS "Fetching the ${package} source package into ${cache}")
    execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/fetch-source-package ${package} ${cache}
                    OUTPUT_QUIET ERROR_VARIABLE fetch_errors)
    file(GLOB found ${cache}/${marker})
    if(NOT found)
      message(FATAL_ERROR "Could not fetch the ${package} source package (scripts/fetch-source-package, "
                          "needs dpkg-dev; see scripts/setup): ${fetch_errors}")
    endif()
  endif()
  list(GET found 0 first)
  get_filename_component(folder ${first} DIRECTORY)
  set(${out_var} ${folder} PARENT_SCOPE)
endfunction()
