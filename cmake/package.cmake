# Packages, made by cpack:
#   cpack -G DEB        Debian packages, from the usual Linux build: linked with the system's C
#                       library, as Debian's policy asks (cross builds included)
#   cpack -G RPM        RPM packages for RHEL, Rocky, Alma, Fedora and SUSE, and
#   cpack -G TGZ        tarballs to unpack anywhere, both from a build with HEXWORDS_STATIC,
#                       whose program runs on any Linux
#   cpack -G ZIP        a zip for Windows
# Every date in them is that of the newest changelog entry, so that the same sources give the
# same bytes (cmake/source_date_epoch.cmake).
set(CPACK_PACKAGE_NAME hexwords)
set(CPACK_PACKAGE_VENDOR "the hexwords authors")
set(CPACK_PACKAGE_CONTACT "hexwords maintainers <maintainers@hexwords.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION "hexwords rewrites a text file as four-digit hex words, one per character
from '!' to 'Z' and per blank, keeping the text's lines: the listing that the
hex memory loaders of hardware simulators and ROM image tools read.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    set(CPACK_SYSTEM_NAME linux-${CMAKE_SYSTEM_PROCESSOR}) # the tarball's name
endif()

set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Debian's name for each architecture, from the compiler's multiarch triplet, which tells the
# two 32-bit ARM ABIs apart.
set(debian_architectures
    x86_64-linux-gnu amd64   aarch64-linux-gnu arm64   arm-linux-gnueabi armel
    arm-linux-gnueabihf armhf   i386-linux-gnu i386   powerpc64le-linux-gnu ppc64el
    riscv64-linux-gnu riscv64   s390x-linux-gnu s390x)
list(FIND debian_architectures "${CMAKE_LIBRARY_ARCHITECTURE}" triplet_at)
if(triplet_at GREATER_EQUAL 0)
    math(EXPR triplet_at "${triplet_at} + 1")
    list(GET debian_architectures ${triplet_at} CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
endif()
# dpkg-shlibdeps knows only this machine's libraries: a cross build's package depends on the
# newest C library version that its binary asks for (cmake/package_per_generator.cmake).
if(NOT CMAKE_CROSSCOMPILING)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_RELEASE 1)
set(CPACK_RPM_PACKAGE_ARCHITECTURE ${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_RPM_PACKAGE_SUMMARY "Write a text file as a listing of four-digit hex words")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}

The program is linked statically: it needs no library at all, whatever the
distribution and its version.")
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_PACKAGE_GROUP "Applications/Text")
set(CPACK_RPM_CHANGELOG_FILE ${CMAKE_BINARY_DIR}/rpm-changelog)
set(CPACK_RPM_USER_FILELIST
    "%doc %{_docdir}/hexwords/README.md" "%license %{_datadir}/licenses/hexwords/LICENSE")
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
    /usr/share/man /usr/share/man/man1 /usr/share/licenses)
# The packager's name; build times and file times from SOURCE_DATE_EPOCH, and no build host,
# so that a package built again is the same bytes; no links under /usr/lib/.build-id, which
# rpmbuild would date with the time it runs whenever that is before SOURCE_DATE_EPOCH (there is
# no debug package for them to lead to); and the files as cpack installed and stripped them,
# with no rework by rpmbuild, which would use this machine's tools on a cross build's binary.
set(CPACK_RPM_SPEC_MORE_DEFINE "%define packager ${CPACK_PACKAGE_CONTACT}
%define _buildhost reproducible
%define use_source_date_epoch_as_buildtime 1
%define clamp_mtime_to_source_date_epoch 1
%define _build_id_links none
%define _binary_payload w9.xzdio
%define __os_install_post %{nil}")

# What differs by generator is settled when cpack runs.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package_file_times.cmake)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/package_per_generator.cmake)
set(CPACK_HEXWORDS_STATIC ${HEXWORDS_STATIC})
set(CPACK_HEXWORDS_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_HEXWORDS_BINARY_DIR ${PROJECT_BINARY_DIR})
set(CPACK_HEXWORDS_OBJDUMP ${CMAKE_OBJDUMP})
set(CPACK_HEXWORDS_BINARY ${PROJECT_BINARY_DIR}/hexwords)
include(CPack)
