# What an install puts where. The program and its man page are the same for every kind of
# package; the documents beside them are laid out the way each kind's systems expect:
#   debian_docs  Debian: README, copyright file and compressed changelog in share/doc/hexwords
#                (also what a plain `cmake --install` gives on Linux)
#   rpm_docs     RPM-based systems: README in share/doc/hexwords, LICENSE in share/licenses/hexwords
#   tarball_docs a tarball to unpack anywhere: README and LICENSE at the top of its folder
# On other Unix systems the man page and documents are installed as they are; on Windows the
# program goes beside a README and a LICENSE that open with a double click. Every kind also
# has, beside its README, what the README links to: CHANGELOG.md, docs/ and examples/, so that
# the documents a user installed are the ones to read offline; the README's link to the license
# leads where that kind keeps it.
include(GNUInstallDirs)
# The man page's version and date are this version's entry of CHANGELOG.md, as the packages'
# dates are, or SOURCE_DATE_EPOCH's day where that is set. A version that has no entry yet, as
# between releases, takes the newest entry's date; a release cannot be made without its entry.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    string(TIMESTAMP HEXWORDS_RELEASE_DATE "%Y-%m-%d" UTC)
else()
    string(REPLACE "." "[.]" version_pattern ${PROJECT_VERSION})
    file(STRINGS CHANGELOG.md release_entry REGEX "^## ${version_pattern} [(][0-9-]+" LIMIT_COUNT 1)
    if(NOT release_entry)
        message(STATUS "CHANGELOG.md has no entry for ${PROJECT_VERSION} yet: the man page takes the newest entry's date")
        file(STRINGS CHANGELOG.md release_entry REGEX "^## [0-9.]+ [(][0-9-]+" LIMIT_COUNT 1)
    endif()
    string(REGEX MATCH "[0-9]+-[0-9]+-[0-9]+" HEXWORDS_RELEASE_DATE "${release_entry}")
endif()
configure_file(docs/hexwords.1.in hexwords.1 @ONLY)
file(GLOB documentation_pages CONFIGURE_DEPENDS docs/*.md docs/*.svg)
file(GLOB_RECURSE example_files CONFIGURE_DEPENDS examples/*)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS README.md)

# hexwords_install_documents(DESTINATION README LICENSE_LINK COMPONENT [EXCLUDE_FROM_ALL]): the
# README, named README (with Windows' line ends if it is a .txt), its link to the license
# leading to LICENSE_LINK, and beside it what else it links to.
function(hexwords_install_documents destination readme license_link component)
    file(READ README.md text)
    string(REPLACE "](LICENSE)" "](${license_link})" text "${text}")
    if(readme MATCHES "[.]txt$")
        string(REPLACE "\n" "\r\n" text "${text}")
    endif()
    set(installed_readme ${CMAKE_CURRENT_BINARY_DIR}/${component}/${readme})
    file(WRITE ${installed_readme} "${text}")
    install(FILES ${installed_readme} CHANGELOG.md DESTINATION ${destination}
            COMPONENT ${component} ${ARGN})
    install(FILES ${documentation_pages} DESTINATION ${destination}/docs
            COMPONENT ${component} ${ARGN})
    install(DIRECTORY examples/ DESTINATION ${destination}/examples COMPONENT ${component} ${ARGN})
endfunction()

if(WIN32)
    configure_file(LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
    install(TARGETS hexwords RUNTIME DESTINATION .)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt DESTINATION .)
    hexwords_install_documents(. README.txt LICENSE.txt Unspecified)
    return()
endif()

install(TARGETS hexwords RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)

if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/hexwords.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
            COMPONENT program)
    install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian_docs)
    hexwords_install_documents(${CMAKE_INSTALL_DOCDIR} README.md LICENSE debian_docs)
    return()
endif()

set(maintainer "hexwords maintainers <maintainers@hexwords.invalid>")

# The changelog twice over from CHANGELOG.md, where "## VERSION (DATE TIME)" starts an entry,
# "- " an item, and indented lines go on with it: in Debian's format, and as the entries of an
# RPM %changelog.
function(hexwords_date_of when format result)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C date -u -d "${when}" "${format}"
                    OUTPUT_VARIABLE date
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    set(${result} "${date}" PARENT_SCOPE)
endfunction()

file(STRINGS CHANGELOG.md changelog_lines)
set(debian_changelog "")
set(rpm_changelog "")
set(entry_trailer "")
foreach(line IN LISTS changelog_lines)
    if(line MATCHES "^## ([0-9.]+) \\(([^)]+)\\)$")
        set(version ${CMAKE_MATCH_1})
        hexwords_date_of("${CMAKE_MATCH_2}" "+%a, %d %b %Y %H:%M:%S +0000" debian_date)
        hexwords_date_of("${CMAKE_MATCH_2}" "+%a %b %d %Y" rpm_date)
        string(APPEND debian_changelog "${entry_trailer}hexwords (${version}) unstable; urgency=medium\n\n")
        set(entry_trailer "\n -- ${maintainer}  ${debian_date}\n\n")
        if(NOT rpm_changelog STREQUAL "")
            string(APPEND rpm_changelog "\n")
        endif()
        string(APPEND rpm_changelog "* ${rpm_date} ${maintainer} - ${version}-1\n")
    elseif(line MATCHES "^- (.*)$")
        string(APPEND debian_changelog "  * ${CMAKE_MATCH_1}\n")
        string(APPEND rpm_changelog "- ${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^  (.*)$")
        string(APPEND debian_changelog "    ${CMAKE_MATCH_1}\n")
        string(APPEND rpm_changelog "  ${CMAKE_MATCH_1}\n")
    endif()
endforeach()
string(APPEND debian_changelog "${entry_trailer}")
string(REGEX REPLACE "\n\n$" "\n" debian_changelog "${debian_changelog}")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/changelog "${debian_changelog}")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/rpm-changelog "${rpm_changelog}")

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

# Man pages and changelogs are kept compressed, without a name or time stamp in the gzip
# header, so that the same sources give the same package.
set(compressed ${CMAKE_CURRENT_BINARY_DIR}/hexwords.1.gz ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${compressed}
    COMMAND gzip -9nkf hexwords.1 changelog
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/hexwords.1 ${CMAKE_CURRENT_BINARY_DIR}/changelog
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
add_custom_target(hexwords_compressed_docs ALL DEPENDS ${compressed})

install(FILES ${CMAKE_CURRENT_BINARY_DIR}/hexwords.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT program)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian_docs)
hexwords_install_documents(${CMAKE_INSTALL_DOCDIR} README.md copyright debian_docs)
hexwords_install_documents(${CMAKE_INSTALL_DOCDIR} README.md ../../licenses/hexwords/LICENSE rpm_docs
                           EXCLUDE_FROM_ALL)
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/licenses/hexwords
        COMPONENT rpm_docs EXCLUDE_FROM_ALL)
install(FILES LICENSE DESTINATION . COMPONENT tarball_docs EXCLUDE_FROM_ALL)
hexwords_install_documents(. README.md LICENSE tarball_docs EXCLUDE_FROM_ALL)
