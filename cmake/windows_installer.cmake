# The Windows installer, hexwords-VERSION-win64.msi, made from cmake/hexwords.wxs by
# cmake/make_windows_installer.cmake with msitools (Debian's wixl and msitools) and faketime:
#   cmake --build build-win --target windows_installer
# The upgrade code is the product's for good; the product code and the package code follow from
# the version, so that a version built again is the same package.
set(windows_installer ${CMAKE_BINARY_DIR}/hexwords-${PROJECT_VERSION}-win64.msi)
set(upgrade_code 6D2F1C4B-3E0A-4B8F-9C51-7A2E4D9B1F03)
string(UUID product_code NAMESPACE ${upgrade_code} NAME "product ${PROJECT_VERSION}" TYPE SHA1 UPPER)
string(UUID package_code NAMESPACE ${upgrade_code} NAME "package ${PROJECT_VERSION}" TYPE SHA1 UPPER)
# It holds what an install of this build holds, stripped: the same files as the zip.
add_custom_command(OUTPUT ${windows_installer}
    COMMAND ${CMAKE_COMMAND} -D SOURCE_DIR=${PROJECT_SOURCE_DIR} -D BINARY_DIR=${CMAKE_BINARY_DIR}
            -D VERSION=${PROJECT_VERSION} -D UPGRADE_CODE=${upgrade_code}
            -D PRODUCT_CODE=${product_code} -D PACKAGE_CODE=${package_code}
            "-D MANUFACTURER=${CPACK_PACKAGE_VENDOR}" -D OUTPUT=${windows_installer}
            -P ${PROJECT_SOURCE_DIR}/cmake/make_windows_installer.cmake
    DEPENDS hexwords README.md LICENSE CHANGELOG.md ${documentation_pages} ${example_files}
            cmake/hexwords.wxs cmake/make_windows_installer.cmake cmake/source_date_epoch.cmake
    VERBATIM)
add_custom_target(windows_installer DEPENDS ${windows_installer})
