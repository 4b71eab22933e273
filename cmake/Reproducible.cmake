# The same commit gives the same bytes, whoever builds it, wherever and
# whenever (scripts/release.sh; tests/release/ builds it twice to prove it).
# Every build gets this, the test trees too, so the tests run what ships.
#
# What would differ otherwise, and what makes it the same:
# - the link time in each PE header and export table: ld writes zero;
# - the folders of the source and of the build (its generated headers),
#   wherever a path reaches an object (__FILE__, debug information): written
#   relative to them; the build folder last, as it may lie inside the source;
# - ld's preferred address of a DLL, a hash of its output path: given
#   explicitly (applet/, installer/seed/);
# - the file times in the NSIS setup: not stored (installer/Kestrune.nsi);
# - each MSI package's product and package codes, its times and the file
#   times in its cabinet: from the commit (installer/msi.cmake);
# - a signature's signing time, without a timestamp server: the commit's
#   (cmake/Sign.cmake).
add_compile_options(
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>"
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>")
add_link_options(-Wl,--no-insert-timestamp)

# KESTRUNE_COMMIT, the commit built, and KESTRUNE_SOURCE_DATE_EPOCH, its
# time, or SOURCE_DATE_EPOCH where that is set, as every tool that reads it
# does. Outside a git checkout there is no commit, and the time is the
# configure's: the packages then get random codes, as wixl makes them.
set(KESTRUNE_COMMIT "")
execute_process(
    COMMAND git log -1 "--format=%H %ct"
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    RESULT_VARIABLE failed OUTPUT_VARIABLE head ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT failed AND head MATCHES "^([0-9a-f]+) ([0-9]+)$")
    set(KESTRUNE_COMMIT ${CMAKE_MATCH_1})
    set(KESTRUNE_SOURCE_DATE_EPOCH ${CMAKE_MATCH_2})
    # A new commit or checkout configures again, so the codes follow it.
    execute_process(
        COMMAND git rev-parse --path-format=absolute --git-path logs/HEAD
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        OUTPUT_VARIABLE reflog ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(EXISTS "${reflog}")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${reflog}")
    endif()
else()
    string(TIMESTAMP KESTRUNE_SOURCE_DATE_EPOCH "%s" UTC)
endif()
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(KESTRUNE_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
endif()
if(NOT KESTRUNE_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH must be a number of seconds: ${KESTRUNE_SOURCE_DATE_EPOCH}")
endif()
