# Authenticode (SHA-256) signatures on every file we ship, with osslsigncode.
# Off unless a certificate is given; then the applet and the custom action
# DLL are signed as they are linked, before any package takes them, and the
# setup, its uninstaller and the MSI packages as they are written.
#
# Settings (cache variables; each defaults to the environment variable of
# the same name when the tree is first configured):
#   KESTRUNE_SIGN_PKCS12         the certificate and its private key, a PKCS#12
#                                file (full path); empty: nothing is signed
#   KESTRUNE_SIGN_PASSWORD_FILE  a file whose first line is that file's
#                                password, so the password itself appears in
#                                no command line, cache or log; empty: none
#   KESTRUNE_SIGN_TIMESTAMP_URL  an RFC 3161 timestamp server; empty: the
#                                signatures carry no timestamp
#   KESTRUNE_SIGN_SIGNATURES     a folder of signatures, each named after the
#                                SHA-256 of the file it signs, with .p7: with
#                                a certificate, every signature made is kept
#                                there too; without one, the files are not
#                                signed but given the signature kept there
#                                for them, to build a signed release again
#                                from its signatures; empty: none
#
# Included by the project, it defines those and the helpers below. Run as a
# script it signs one file in place:
#   cmake -DKESTRUNE_SIGN_PKCS12=... [...] -DKESTRUNE_SIGN_TIME=<unix time> -P Sign.cmake <file>
# A file that cannot be signed is deleted and the step fails, so no build
# leaves an unsigned file where a signed one belongs, nor counts it as done.

if(CMAKE_SCRIPT_MODE_FILE)
    math(EXPR last "${CMAKE_ARGC} - 1")
    set(file "${CMAKE_ARGV${last}}")
    if(KESTRUNE_SIGN_SIGNATURES)
        file(SHA256 "${file}" digest)
        set(kept "${KESTRUNE_SIGN_SIGNATURES}/${digest}.p7")
    endif()
    if(KESTRUNE_SIGN_PKCS12)
        set(args sign -h sha256 -n "Orvex Network Driver" -pkcs12 "${KESTRUNE_SIGN_PKCS12}")
        if(KESTRUNE_SIGN_PASSWORD_FILE)
            list(APPEND args -readpass "${KESTRUNE_SIGN_PASSWORD_FILE}")
        endif()
        if(KESTRUNE_SIGN_TIMESTAMP_URL)
            list(APPEND args -ts "${KESTRUNE_SIGN_TIMESTAMP_URL}")
        elseif(KESTRUNE_SIGN_TIME)
            # The signing time is the commit's, not the clock's: the same
            # commit and certificate give the same signature. Without a
            # timestamp, Windows checks the certificate at the time it
            # verifies anyway.
            list(APPEND args -time "${KESTRUNE_SIGN_TIME}")
        endif()
    elseif(EXISTS "${kept}")
        set(args attach-signature -sigin "${kept}")
        set(attaching TRUE)
    else()
        file(REMOVE "${file}")
        message(FATAL_ERROR "No signature in ${KESTRUNE_SIGN_SIGNATURES} for ${file} "
                "(SHA-256 ${digest}): it is not the file that was signed, so it is deleted")
    endif()
    set(signed "${file}.signing")
    file(REMOVE "${signed}")
    execute_process(
        COMMAND "${KESTRUNE_OSSLSIGNCODE}" ${args} -in "${file}" -out "${signed}"
        RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    # attach-signature then verifies the file, and fails where this machine
    # does not trust the issuing root; the digest chose the signature, so
    # the file is right all the same.
    if(NOT (result EQUAL 0 OR attaching) OR NOT EXISTS "${signed}")
        file(REMOVE "${signed}" "${file}")
        message(FATAL_ERROR "Could not sign ${file}, so it is deleted:\n${output}")
    endif()
    if(KESTRUNE_SIGN_PKCS12 AND KESTRUNE_SIGN_SIGNATURES)
        # A file built again signs again: its new signature replaces the one
        # kept (osslsigncode overwrites nothing).
        file(MAKE_DIRECTORY "${KESTRUNE_SIGN_SIGNATURES}")
        file(REMOVE "${kept}")
        execute_process(
            COMMAND "${KESTRUNE_OSSLSIGNCODE}" extract-signature -in "${signed}" -out "${kept}"
            RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
        if(NOT result EQUAL 0)
            file(REMOVE "${signed}" "${file}" "${kept}")
            message(FATAL_ERROR "Could not keep the signature of ${file}, so it is deleted:\n${output}")
        endif()
    endif()
    file(RENAME "${signed}" "${file}")
    return()
endif()

set(KESTRUNE_SIGN_PKCS12 "$ENV{KESTRUNE_SIGN_PKCS12}" CACHE FILEPATH
    "PKCS#12 file to sign the shipped files with; empty: they are not signed")
set(KESTRUNE_SIGN_PASSWORD_FILE "$ENV{KESTRUNE_SIGN_PASSWORD_FILE}" CACHE FILEPATH
    "File holding the PKCS#12 file's password; empty: it has none")
set(KESTRUNE_SIGN_TIMESTAMP_URL "$ENV{KESTRUNE_SIGN_TIMESTAMP_URL}" CACHE STRING
    "RFC 3161 timestamp server for the signatures; empty: no timestamp")
set(KESTRUNE_SIGN_SIGNATURES "$ENV{KESTRUNE_SIGN_SIGNATURES}" CACHE PATH
    "Folder of signatures: kept there when signing, else attached from there; empty: none")

# The COMMAND arguments of a custom command that signs <file> (a path or a
# generator expression) in place, into <var>; empty when not signing.
set(KESTRUNE_SIGN_COMMAND "")
set(KESTRUNE_SIGN_SHELL_COMMAND "")
function(kestrune_sign_command var file)
    if(KESTRUNE_SIGN_COMMAND)
        set(${var} COMMAND ${KESTRUNE_SIGN_COMMAND} "${file}" PARENT_SCOPE)
    else()
        set(${var} "" PARENT_SCOPE)
    endif()
endfunction()

# Signs <target>'s file each time it is linked.
function(kestrune_sign_target target)
    kestrune_sign_command(sign $<TARGET_FILE:${target}>)
    if(sign)
        add_custom_command(TARGET ${target} POST_BUILD ${sign} VERBATIM)
    endif()
endfunction()

if(NOT KESTRUNE_SIGN_PKCS12 AND NOT KESTRUNE_SIGN_SIGNATURES)
    message(STATUS "Not signing: no certificate given (KESTRUNE_SIGN_PKCS12)")
    return()
endif()

foreach(setting KESTRUNE_SIGN_PKCS12 KESTRUNE_SIGN_PASSWORD_FILE)
    if(${setting} AND NOT (IS_ABSOLUTE "${${setting}}" AND EXISTS "${${setting}}"))
        message(FATAL_ERROR "${setting} must be the full path of an existing file: ${${setting}}")
    endif()
endforeach()
if(KESTRUNE_SIGN_SIGNATURES AND NOT IS_ABSOLUTE "${KESTRUNE_SIGN_SIGNATURES}")
    message(FATAL_ERROR "KESTRUNE_SIGN_SIGNATURES must be a full path: ${KESTRUNE_SIGN_SIGNATURES}")
endif()
find_program(KESTRUNE_OSSLSIGNCODE osslsigncode REQUIRED)

set(KESTRUNE_SIGN_COMMAND ${CMAKE_COMMAND}
    -DKESTRUNE_OSSLSIGNCODE=${KESTRUNE_OSSLSIGNCODE}
    -DKESTRUNE_SIGN_PKCS12=${KESTRUNE_SIGN_PKCS12}
    -DKESTRUNE_SIGN_PASSWORD_FILE=${KESTRUNE_SIGN_PASSWORD_FILE}
    -DKESTRUNE_SIGN_TIMESTAMP_URL=${KESTRUNE_SIGN_TIMESTAMP_URL}
    -DKESTRUNE_SIGN_TIME=${KESTRUNE_SOURCE_DATE_EPOCH}
    -DKESTRUNE_SIGN_SIGNATURES=${KESTRUNE_SIGN_SIGNATURES}
    -P ${CMAKE_CURRENT_LIST_FILE})
# The same as one shell command, for makensis, which runs it through system():
# append the file to sign.
set(KESTRUNE_SIGN_SHELL_COMMAND "")
foreach(arg IN LISTS KESTRUNE_SIGN_COMMAND)
    string(APPEND KESTRUNE_SIGN_SHELL_COMMAND "\"${arg}\" ")
endforeach()
if(NOT KESTRUNE_SIGN_PKCS12)
    message(STATUS "Signing with the signatures in ${KESTRUNE_SIGN_SIGNATURES}")
elseif(KESTRUNE_SIGN_TIMESTAMP_URL)
    message(STATUS "Signing with ${KESTRUNE_SIGN_PKCS12}, timestamps from ${KESTRUNE_SIGN_TIMESTAMP_URL}")
else()
    message(STATUS "Signing with ${KESTRUNE_SIGN_PKCS12}, without timestamps")
endif()
