# The date that every time stamp in a package takes, so that the same sources give the same
# bytes: SOURCE_DATE_EPOCH if it is set, else that of the newest entry of CHANGELOG.md, which a
# clone and an exported source tree hold alike (as Debian takes its packages' dates from
# debian/changelog). Sets the environment's SOURCE_DATE_EPOCH.
function(hexwords_source_date_epoch source_dir)
    if(DEFINED ENV{SOURCE_DATE_EPOCH})
        return()
    endif()
    file(STRINGS ${source_dir}/CHANGELOG.md newest REGEX "^## [0-9.]+ \\([^)]+\\)$" LIMIT_COUNT 1)
    string(REGEX REPLACE "^## [0-9.]+ \\(([^)]+)\\)$" "\\1" newest "${newest}")
    execute_process(COMMAND date -u -d "${newest}" +%s OUTPUT_VARIABLE epoch
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endfunction()
