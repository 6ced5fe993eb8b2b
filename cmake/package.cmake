# Packages: `cpack -G DEB` on Linux (for the processor of the build, cross builds included) and
# `cpack -G ZIP` on Windows.
set(CPACK_PACKAGE_NAME hexwords)
set(CPACK_PACKAGE_CONTACT "hexwords maintainers <maintainers@hexwords.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION "hexwords rewrites a text file as four-digit hex words, one per character
from '!' to 'Z' and per blank, keeping the text's lines: the listing that the
hex memory loaders of hardware simulators and ROM image tools read.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
if(CMAKE_CROSSCOMPILING)
    # dpkg-shlibdeps knows only this machine's libraries: a cross build's package depends on
    # the newest C library version that its binary asks for.
    string(REPLACE aarch64 arm64 CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${CMAKE_SYSTEM_PROCESSOR})
    set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cross_package_depends.cmake)
    set(CPACK_HEXWORDS_OBJDUMP ${CMAKE_OBJDUMP})
    set(CPACK_HEXWORDS_BINARY ${CMAKE_BINARY_DIR}/hexwords)
else()
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
