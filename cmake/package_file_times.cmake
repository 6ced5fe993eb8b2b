# Run by cpack once it has installed the files to package: gives every one of them the time of
# SOURCE_DATE_EPOCH, which some packagers would otherwise only clamp to, so that files checked
# out earlier keep no time of their own.
file(GLOB_RECURSE staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
execute_process(COMMAND touch --no-dereference -d @$ENV{SOURCE_DATE_EPOCH}
                        ${CPACK_TEMPORARY_INSTALL_DIRECTORY} ${staged}
                COMMAND_ERROR_IS_FATAL ANY)
