# Run by cpack for each kind of package: which build makes it, what goes into it, and the date
# that every time stamp in it takes.

include(${CPACK_HEXWORDS_SOURCE_DIR}/cmake/source_date_epoch.cmake)
hexwords_source_date_epoch(${CPACK_HEXWORDS_SOURCE_DIR})

# Each kind of package takes the program and the documents laid out its own way.
function(hexwords_package_components)
    set(projects "")
    foreach(component program ${ARGN})
        list(APPEND projects ${CPACK_HEXWORDS_BINARY_DIR} hexwords ${component} /)
    endforeach()
    set(CPACK_INSTALL_CMAKE_PROJECTS "${projects}" PARENT_SCOPE)
endfunction()

if(CPACK_GENERATOR STREQUAL "DEB")
    if(CPACK_HEXWORDS_STATIC)
        message(FATAL_ERROR "Debian packages are made from a build without HEXWORDS_STATIC")
    endif()
    hexwords_package_components(debian_docs)
    if(NOT CPACK_DEBIAN_PACKAGE_SHLIBDEPS)
        # A cross build: the newest version of the C library, the only library it may link
        # (with its dynamic loader, which holds the stack protector's guard on some processors),
        # among the symbol versions that its binary needs.
        execute_process(COMMAND ${CPACK_HEXWORDS_OBJDUMP} -p -T ${CPACK_HEXWORDS_BINARY}
                        OUTPUT_VARIABLE headers_and_symbols COMMAND_ERROR_IS_FATAL ANY)
        string(REGEX MATCHALL "NEEDED +[^\n]+" libraries "${headers_and_symbols}")
        foreach(library IN LISTS libraries)
            if(NOT library MATCHES "^NEEDED +(libc\\.so\\.6|ld[-.a-z0-9]*\\.so\\.[0-9]+)$")
                message(FATAL_ERROR "the binary links more than the C library: ${libraries}")
            endif()
        endforeach()
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
elseif(CPACK_GENERATOR MATCHES "^(RPM|TGZ)$")
    if(NOT CPACK_HEXWORDS_STATIC)
        message(FATAL_ERROR "RPM packages and tarballs are made from a build with -DHEXWORDS_STATIC=ON")
    endif()
    if(CPACK_GENERATOR STREQUAL "RPM")
        hexwords_package_components(rpm_docs)
    else()
        hexwords_package_components(tarball_docs)
    endif()
endif()
