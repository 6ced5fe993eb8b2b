# What the WebAssembly build makes besides hexwords.wasm, the WASI module:
#   npm_package  hexwords-VERSION.tgz, the hexwords command for node (npm pack): the module, its
#                launcher, the man page, README and LICENSE
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

set(npm_stage ${CMAKE_BINARY_DIR}/npm)
configure_file(web/package.json.in ${npm_stage}/package.json @ONLY)
set(npm_package ${CMAKE_BINARY_DIR}/hexwords-${PROJECT_VERSION}.tgz)
add_custom_command(OUTPUT ${npm_package}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/web/hexwords.js
            $<TARGET_FILE:hexwords> ${CMAKE_BINARY_DIR}/hexwords.1
            ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${npm_stage}
    COMMAND ${NPM} pack --quiet --pack-destination ${CMAKE_BINARY_DIR} ${npm_stage} >/dev/null
    DEPENDS web/hexwords.js hexwords ${CMAKE_BINARY_DIR}/hexwords.1 README.md LICENSE
            ${npm_stage}/package.json)
add_custom_target(npm_package DEPENDS ${npm_package})
