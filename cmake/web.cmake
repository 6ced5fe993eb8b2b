# What the WebAssembly build makes besides hexwords.wasm, the WASI module:
#   npm_package  hexwords-VERSION.tgz, the hexwords command for node (npm pack): the module, its
#                launcher, the man page, README and LICENSE, and what the README links to
#   page         hexwords-VERSION.html, one file that converts in a browser, offline: the
#                conversion compiled to a module of its own, which imports nothing, inside it,
#                and the VHDL example's function that reads a listing
find_program(NODE node REQUIRED)
find_program(NPM npm REQUIRED)

add_executable(hexwords_page_module web/page_module.cpp)
target_link_libraries(hexwords_page_module PRIVATE hexwords_convert)
target_compile_options(hexwords_page_module PRIVATE -fno-exceptions)
target_link_options(hexwords_page_module PRIVATE -mexec-model=reactor)

set(page ${CMAKE_BINARY_DIR}/hexwords-${PROJECT_VERSION}.html)
add_custom_command(OUTPUT ${page}
    COMMAND ${NODE} ${PROJECT_SOURCE_DIR}/web/make_page.js ${PROJECT_SOURCE_DIR}/web/page.html.in
            $<TARGET_FILE:hexwords_page_module> ${PROJECT_VERSION}
            ${PROJECT_SOURCE_DIR}/examples/vhdl/text_rom.vhd ${page}
    DEPENDS web/page.html.in web/make_page.js examples/vhdl/text_rom.vhd hexwords_page_module)
add_custom_target(page DEPENDS ${page})

# The package's repository (HEXWORDS_REPOSITORY_URL), which npm's provenance checks against the
# one that publishes it; without it, the package names none.
set(npm_repository "")
if(HEXWORDS_REPOSITORY_URL)
    set(npm_repository "\n  \"repository\": { \"type\": \"git\", \"url\": \"git+${HEXWORDS_REPOSITORY_URL}.git\" },")
endif()
set(npm_stage ${CMAKE_BINARY_DIR}/npm)
configure_file(web/package.json.in ${npm_stage}/package.json @ONLY)
set(npm_package ${CMAKE_BINARY_DIR}/hexwords-${PROJECT_VERSION}.tgz)
# With the README, what it links to, as every package has it.
add_custom_command(OUTPUT ${npm_package}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${npm_stage}/docs ${npm_stage}/examples
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/web/hexwords.js
            $<TARGET_FILE:hexwords> ${CMAKE_BINARY_DIR}/hexwords.1 ${PROJECT_SOURCE_DIR}/README.md
            ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${npm_stage}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${npm_stage}/docs
    COMMAND ${CMAKE_COMMAND} -E copy ${documentation_pages} ${npm_stage}/docs
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/examples ${npm_stage}/examples
    COMMAND ${NPM} pack --quiet --pack-destination ${CMAKE_BINARY_DIR} ${npm_stage} >/dev/null
    DEPENDS web/hexwords.js hexwords ${CMAKE_BINARY_DIR}/hexwords.1 README.md LICENSE CHANGELOG.md
            ${documentation_pages} ${example_files} ${npm_stage}/package.json)
add_custom_target(npm_package DEPENDS ${npm_package})
