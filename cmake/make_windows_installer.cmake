# Makes the Windows installer (cmake/windows_installer.cmake says with what). wixl builds it
# from cmake/hexwords.wxs; msibuild adds what wixl has no element for: the package code, and the
# Environment table with the actions that write and remove its strings. Its row puts the
# install folder at the front of the user's PATH (a name without "*" is the user's) when the
# program is installed, and takes it out, with its separator, when it is removed; the rest of the
# value, and its registry type, stay as they were. Every time in the package is
# SOURCE_DATE_EPOCH's: the files' and, through faketime, the summary's.
foreach(tool wixl msibuild faketime)
    find_program(${tool}_program ${tool})
    if(NOT ${tool}_program)
        message(FATAL_ERROR "The Windows installer needs wixl, msibuild and faketime: "
                            "apt-get install wixl msitools faketime")
    endif()
endforeach()

include(${SOURCE_DIR}/cmake/source_date_epoch.cmake)
hexwords_source_date_epoch(${SOURCE_DIR})
execute_process(COMMAND date -u -d @$ENV{SOURCE_DATE_EPOCH} "+%Y-%m-%d %H:%M:%S"
                OUTPUT_VARIABLE package_time OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)

set(work ${OUTPUT}.work)
file(REMOVE_RECURSE ${work})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BINARY_DIR} --prefix ${work}/files --strip
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
file(GLOB_RECURSE staged LIST_DIRECTORIES true ${work}/files/*)
execute_process(COMMAND touch -d @$ENV{SOURCE_DATE_EPOCH} ${staged} COMMAND_ERROR_IS_FATAL ANY)

# The folders below the install folder, as a fragment for wixl: each a Directory with a
# component of its own, whose key path is a value of the user's, as a file in a user's profile
# needs, and which takes the folder away when it is uninstalled; all of them in the component
# group Documents.
set(directories "")
set(references "")
file(GLOB_RECURSE folders LIST_DIRECTORIES true RELATIVE ${work}/files ${work}/files/*)
foreach(folder IN LISTS folders)
    if(NOT IS_DIRECTORY ${work}/files/${folder})
        continue()
    endif()
    string(MAKE_C_IDENTIFIER "folder_${folder}" id)
    get_filename_component(parent ${folder} DIRECTORY)
    string(MAKE_C_IDENTIFIER "folder_${parent}" parent_id)
    if(parent STREQUAL "")
        set(parent_id INSTALLDIR)
    endif()
    get_filename_component(name ${folder} NAME)
    string(UUID guid NAMESPACE ${UPGRADE_CODE} NAME "folder ${folder}" TYPE SHA1 UPPER)
    string(APPEND directories "  <DirectoryRef Id=\"${parent_id}\">\n"
        "    <Directory Id=\"${id}\" Name=\"${name}\">\n"
        "      <Component Id=\"${id}\" Guid=\"${guid}\">\n"
        "        <RegistryValue Root=\"HKCU\" Key=\"Software\\hexwords\\Folders\" Name=\"${folder}\""
        " Type=\"string\" Value=\"[${id}]\" KeyPath=\"yes\" />\n")
    file(GLOB files LIST_DIRECTORIES false RELATIVE ${work}/files ${work}/files/${folder}/*)
    foreach(file IN LISTS files)
        string(MAKE_C_IDENTIFIER "file_${file}" file_id)
        get_filename_component(file_name ${file} NAME)
        string(APPEND directories
            "        <File Id=\"${file_id}\" Name=\"${file_name}\" Source=\"files/${file}\" />\n")
    endforeach()
    string(APPEND directories "        <RemoveFolder Id=\"remove_${id}\" On=\"uninstall\" />\n"
        "      </Component>\n    </Directory>\n  </DirectoryRef>\n")
    string(APPEND references "    <ComponentRef Id=\"${id}\" />\n")
endforeach()
file(WRITE ${work}/documents.wxs "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n<Fragment>\n${directories}"
    "  <ComponentGroup Id=\"Documents\">\n${references}  </ComponentGroup>\n</Fragment>\n</Wix>\n")

file(WRITE ${work}/Environment.idt
     "Environment\tName\tValue\tComponent_\ns72\tl255\tL255\ts72\nEnvironment\tEnvironment\n"
     "PATH\t=-PATH\t[INSTALLDIR];[~]\tProgram\n")

# Each step with the clock stopped at the package's time, in UTC: with -f, faketime stops it
# there; without, it would start there and run, and a slow step would date the package later.
set(at_package_time env TZ=UTC FAKETIME_DONT_FAKE_MONOTONIC=1 ${faketime_program} -f ${package_time})
set(package ${work}/hexwords.msi)
execute_process(
    COMMAND ${at_package_time} ${wixl_program} -a x64 -D Version=${VERSION}
            -D ProductCode=${PRODUCT_CODE} -D "Manufacturer=${MANUFACTURER}"
            -D Files=files -o ${package} ${SOURCE_DIR}/cmake/hexwords.wxs documents.wxs
    WORKING_DIRECTORY ${work} COMMAND_ERROR_IS_FATAL ANY)
foreach(step
        "-s;hexwords ${VERSION};${MANUFACTURER};x64\;1033;{${PACKAGE_CODE}}"
        "-i;${work}/Environment.idt"
        "-q;INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('WriteEnvironmentStrings', 5200)"
        "-q;INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('RemoveEnvironmentStrings', 3300)")
    execute_process(COMMAND ${at_package_time} ${msibuild_program} ${package} ${step}
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
file(RENAME ${package} ${OUTPUT})
file(REMOVE_RECURSE ${work})
