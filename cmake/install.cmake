# What an install puts where: on Linux the Unix layout with Debian's compressed man page,
# changelog and copyright file; on other Unix systems the man page and the license as they are;
# on Windows the program beside a README and a LICENSE that open with a double click.
include(GNUInstallDirs)
configure_file(docs/hexwords.1 hexwords.1 @ONLY)

if(WIN32)
    configure_file(README.md README.txt @ONLY NEWLINE_STYLE CRLF)
    configure_file(LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
    install(TARGETS hexwords RUNTIME DESTINATION .)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt
            DESTINATION .)
    return()
endif()

install(TARGETS hexwords RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/hexwords.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
    return()
endif()

# The changelog in Debian's format, from CHANGELOG.md: "## VERSION (DATE TIME)" starts an entry,
# "- " an item, and indented lines go on with it.
set(maintainer "hexwords maintainers <maintainers@hexwords.invalid>")
file(STRINGS CHANGELOG.md changelog_lines)
set(changelog "")
set(entry_trailer "")
foreach(line IN LISTS changelog_lines)
    if(line MATCHES "^## ([0-9.]+) \\(([^)]+)\\)$")
        execute_process(COMMAND date -R -u -d "${CMAKE_MATCH_2}" OUTPUT_VARIABLE date
                        OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        string(APPEND changelog "${entry_trailer}hexwords (${CMAKE_MATCH_1}) unstable; urgency=medium\n\n")
        set(entry_trailer "\n -- ${maintainer}  ${date}\n\n")
    elseif(line MATCHES "^- (.*)$")
        string(APPEND changelog "  * ${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^  (.*)$")
        string(APPEND changelog "    ${CMAKE_MATCH_1}\n")
    endif()
endforeach()
string(APPEND changelog "${entry_trailer}")
string(REGEX REPLACE "\n\n$" "\n" changelog "${changelog}")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/changelog "${changelog}")

# The copyright file in Debian's machine-readable format, with LICENSE as its text.
file(READ LICENSE license)
string(REGEX REPLACE "\n$" "" license "${license}")
string(REGEX REPLACE "\n\n" "\n.\n" license "${license}")
string(REPLACE "\n" "\n " license "${license}")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: hexwords

Files: *
Copyright: 2026 the hexwords authors
License: Expat
 ${license}
")

# Debian keeps man pages and changelogs compressed, without a name or time stamp in the gzip
# header, so that the same sources give the same package.
set(compressed ${CMAKE_CURRENT_BINARY_DIR}/hexwords.1.gz ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${compressed}
    COMMAND gzip -9nkf hexwords.1 changelog
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/hexwords.1 ${CMAKE_CURRENT_BINARY_DIR}/changelog
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
add_custom_target(hexwords_compressed_docs ALL DEPENDS ${compressed})

install(FILES ${CMAKE_CURRENT_BINARY_DIR}/hexwords.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md ${CMAKE_CURRENT_BINARY_DIR}/copyright
              ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
