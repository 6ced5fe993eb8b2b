# Run by cpack: the Depends line of a cross-built Debian package, from the symbol versions that
# its binary needs of the C library, the only library it links.
if(CPACK_GENERATOR STREQUAL "DEB")
    execute_process(COMMAND ${CPACK_HEXWORDS_OBJDUMP} -p -T ${CPACK_HEXWORDS_BINARY}
                    OUTPUT_VARIABLE headers_and_symbols COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "NEEDED +[^\n]+" libraries "${headers_and_symbols}")
    if(NOT libraries MATCHES "^NEEDED +libc\\.so\\.6$")
        message(FATAL_ERROR "the binary links more than the C library: ${libraries}")
    endif()
    string(REGEX MATCHALL "GLIBC_[0-9.]+" versions "${headers_and_symbols}")
    set(newest 0)
    foreach(version IN LISTS versions)
        string(REPLACE "GLIBC_" "" version ${version})
        if(version VERSION_GREATER newest)
            set(newest ${version})
        endif()
    endforeach()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= ${newest})")
endif()
