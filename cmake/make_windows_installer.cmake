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
file(MAKE_DIRECTORY ${work}/files)
file(COPY ${FILES} DESTINATION ${work}/files)
file(GLOB staged ${work}/files/*)
execute_process(COMMAND touch -d @$ENV{SOURCE_DATE_EPOCH} ${staged} COMMAND_ERROR_IS_FATAL ANY)

file(WRITE ${work}/Environment.idt
     "Environment\tName\tValue\tComponent_\ns72\tl255\tL255\ts72\nEnvironment\tEnvironment\n"
     "PATH\t=-PATH\t[INSTALLDIR];[~]\tProgram\n")

# Each step with the clock stopped at the package's time, in UTC.
set(at_package_time env TZ=UTC FAKETIME_DONT_FAKE_MONOTONIC=1 ${faketime_program} ${package_time})
set(package ${work}/hexwords.msi)
execute_process(
    COMMAND ${at_package_time} ${wixl_program} -a x64 -D Version=${VERSION}
            -D ProductCode=${PRODUCT_CODE} -D "Manufacturer=${MANUFACTURER}"
            -D Files=files -o ${package} ${SOURCE_DIR}/cmake/hexwords.wxs
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
