# SPDX-License-Identifier: GPL-2.0-or-later
# Fails when a file under src/ includes from a folder above its own. The
# folders are layers, lowest first; a file may include from its own folder
# and the ones before it, so a reader knows what a change may touch.
#   cmake -DSRC=<source>/src -P checklayers.cmake
get_filename_component(SRC "${SRC}" ABSOLUTE)
set(LAYERS platform config records reception network windows app)

file(GLOB_RECURSE sources RELATIVE "${SRC}" "${SRC}/*.h" "${SRC}/*.cpp")
set(violations "")
foreach(source IN LISTS sources)
    string(REGEX MATCH "^[^/]+" folder "${source}")
    list(FIND LAYERS "${folder}" own)
    if(own EQUAL -1 OR source STREQUAL folder)
        string(APPEND violations "\n  ${source}: not inside a layer folder")
        continue()
    endif()
    file(STRINGS "${SRC}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" included "${line}")
        if(NOT included MATCHES "/")
            continue() # beside the file, or generated
        endif()
        string(REGEX MATCH "^[^/]+" target "${included}")
        list(FIND LAYERS "${target}" layer)
        if(layer GREATER own)
            string(APPEND violations "\n  ${source} includes ${included} (${target} is above ${folder})")
        endif()
    endforeach()
endforeach()

if(violations)
    message(FATAL_ERROR "Includes that point up the layers ${LAYERS}:${violations}")
endif()
list(LENGTH sources count)
message(STATUS "${count} files under src/ include only from their own layer or below")
