# How the program's code is compiled and linked, beyond warnings: hardened like Debian's own
# packages, and reproducible, so that the same sources give the same bytes wherever they are built.

# Build paths stay out of everything compiled.
add_compile_options("$<${cxx_only}:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=;-ffile-prefix-map=${PROJECT_BINARY_DIR}/=>")
if(WIN32)
    # The linker would stamp each .exe with the time it was linked.
    add_link_options(-Wl,--no-insert-timestamp)
endif()

# 64-bit file offsets where the C library's are 32 bits unless asked (32-bit Linux): sources
# and listings past 2 GiB open and grow there too. Where offsets are 64 bits already, it changes
# nothing.
add_compile_definitions(_FILE_OFFSET_BITS=64)

# The protections of Debian's build flags, for Linux builds that are neither sanitized nor
# instrumented (those tools bring checks of their own, and clash with some of these).
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT HEXWORDS_SANITIZE AND NOT HEXWORDS_COVERAGE
   AND NOT HEXWORDS_BUILD_FUZZER)
    # Fortified calls need optimization; a compiler that defines the macro itself is overruled.
    add_compile_options("$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
    add_compile_options(-fstack-protector-strong -fstack-clash-protection)
    # Control-flow protection where the processor has it, as its compiler says: x86's marks
    # for indirect-branch tracking and shadow stacks, 64-bit ARM's branch target identification
    # and pointer authentication.
    include(CheckCXXCompilerFlag)
    check_cxx_compiler_flag(-fcf-protection hexwords_x86_control_flow)
    check_cxx_compiler_flag(-mbranch-protection=standard hexwords_arm_control_flow)
    if(hexwords_x86_control_flow)
        add_compile_options(-fcf-protection)
        if(NOT HEXWORDS_STATIC)
            # All the program's code has the marks of control-flow protection, but the C
            # library's start-up files of some systems (Debian 12's among them) have none, and
            # the linker would then leave them off the program. Their few instructions are
            # plain calls and returns, which a shadow stack accepts. A static program holds the
            # whole C library, whose code this build cannot vouch for, and is not marked.
            add_link_options(-Wl,-z,ibt,-z,shstk)
        endif()
    elseif(hexwords_arm_control_flow)
        add_compile_options(-mbranch-protection=standard)
    endif()
    add_compile_options(-fPIE)
    add_link_options(-Wl,-z,relro,-z,now)
    if(NOT HEXWORDS_STATIC) # which is linked as it can be (CMakeLists.txt)
        add_link_options(-pie)
    endif()
endif()
