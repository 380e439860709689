# Read by cpack before it makes each package.

# The time stamped into the packages: SOURCE_DATE_EPOCH when the builder sets
# it, else the time of the last commit, so two builds of one commit match.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(
        COMMAND git -C "${CPACK_QUILLMESH_SOURCE_DIR}" log -1 --format=%ct
        OUTPUT_VARIABLE commit_time
        OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE git_failed
        ERROR_QUIET)
    if(git_failed EQUAL 0 AND commit_time)
        set(ENV{SOURCE_DATE_EPOCH} "${commit_time}")
    endif()
endif()

if(CPACK_GENERATOR STREQUAL "NSIS")
    string(APPEND CPACK_PACKAGE_FILE_NAME "-setup")
    # makensis signs the setup program and the uninstaller it writes into it.
    if(CPACK_QUILLMESH_SIGN_CERT)
        set(sign "sh \"${CPACK_QUILLMESH_SIGN_TOOL}\" \"%1\" \"${CPACK_QUILLMESH_SIGN_CERT}\" \"${CPACK_QUILLMESH_SIGN_KEY}\"")
        set(CPACK_QUILLMESH_SIGN_COMMANDS "!finalize '${sign}'\n!uninstfinalize '${sign}'")
    else()
        set(CPACK_QUILLMESH_SIGN_COMMANDS "")
    endif()
endif()
