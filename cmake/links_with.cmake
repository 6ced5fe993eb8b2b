# hexwords_links_with(RESULT SOURCE LIBRARIES...): whether SOURCE, a C++ program, compiles and
# links with LIBRARIES. A library that the system built with another C++ library does not: Debian's
# GoogleTest and Google Benchmark are built with libstdc++, and a build with libc++ cannot use them.
include(CheckCXXSourceCompiles)
function(hexwords_links_with result source)
    set(CMAKE_REQUIRED_LIBRARIES ${ARGN})
    check_cxx_source_compiles("${source}" ${result})
    set(${result} ${${result}} PARENT_SCOPE)
endfunction()
