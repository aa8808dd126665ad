# CPack's post-build step: packs the staged files again, in the order of their names. CPack 3.25 adds
# them in the order the file system lists a folder, which differs between file systems; CMake's own
# archive writer, the one CPack uses, then takes them in the order given, each timestamped
# SOURCE_DATE_EPOCH as CPack does.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${CPACK_TEMPORARY_DIRECTORY}
         ${CPACK_TEMPORARY_DIRECTORY}/*)
    list(SORT files)
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${package} --format=zip -- ${files}
                    WORKING_DIRECTORY ${CPACK_TEMPORARY_DIRECTORY} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
