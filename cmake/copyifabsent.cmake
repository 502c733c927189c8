# Copies SOURCE to TARGET unless TARGET exists: a user's own file there stays.
if(NOT EXISTS "${TARGET}")
    configure_file("${SOURCE}" "${TARGET}" COPYONLY)
endif()
