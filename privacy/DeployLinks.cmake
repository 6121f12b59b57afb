# Deploys Lullgate's documents beside an executable and writes the link configuration that leads
# to them:
#   <DEST_DIR>/docs/*.html      copies of the repository's docs/*.html
#   <DEST_DIR>/config/url.xml   config/url.xml with @DOCS_URL@ replaced by the docs folder's file URL
#
#   cmake -DSOURCE_DIR=<repo> -DDEST_DIR=<exe folder> [-DWINDOWS_DIR=<exe folder as Windows sees it>]
#         -P privacy/DeployLinks.cmake
#
# The program hands the address unchanged to the browser or explorer.exe, so it must be absolute.
# It is written as a file URL whose every byte outside [A-Za-z0-9-._~/:] is percent-encoded (UTF-8):
# the file is then plain ASCII, which reads the same in every ANSI code page, and blanks, quotes and
# ampersands in the install path need no XML escaping. Without WINDOWS_DIR the folder is DEST_DIR
# itself on a Windows host and, for a build run under Wine, DEST_DIR on Wine's drive Z:.
cmake_minimum_required(VERSION 3.21)

foreach(var SOURCE_DIR DEST_DIR)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "DeployLinks: ${var} is not set")
    endif()
endforeach()

function(percent_encode text out)
    string(HEX "${text}" hex)
    string(LENGTH "${hex}" length)
    set(result "")
    set(i 0)
    while(i LESS length)
        string(SUBSTRING "${hex}" ${i} 2 pair)
        math(EXPR code "0x${pair}")
        if((code GREATER_EQUAL 48 AND code LESS_EQUAL 58) OR (code GREATER_EQUAL 65 AND code LESS_EQUAL 90) OR
           (code GREATER_EQUAL 97 AND code LESS_EQUAL 122) OR code EQUAL 45 OR code EQUAL 46 OR code EQUAL 47 OR
           code EQUAL 95 OR code EQUAL 126)
            string(ASCII ${code} char)
            string(APPEND result "${char}")
        else()
            string(TOUPPER "${pair}" pair)
            string(APPEND result "%${pair}")
        endif()
        math(EXPR i "${i} + 2")
    endwhile()
    set(${out} "${result}" PARENT_SCOPE)
endfunction()

if(NOT DEFINED WINDOWS_DIR)
    if(CMAKE_HOST_WIN32)
        set(WINDOWS_DIR "${DEST_DIR}")
    else()
        set(WINDOWS_DIR "Z:${DEST_DIR}")
    endif()
endif()
string(REPLACE "\\" "/" docs_path "${WINDOWS_DIR}")
string(REGEX REPLACE "/+$" "" docs_path "${docs_path}")
string(APPEND docs_path "/docs")
percent_encode("${docs_path}" docs_path)
set(docs_url "file:///${docs_path}")

file(GLOB documents "${SOURCE_DIR}/docs/*.html")
file(MAKE_DIRECTORY "${DEST_DIR}/docs" "${DEST_DIR}/config")
file(COPY ${documents} DESTINATION "${DEST_DIR}/docs")

file(READ "${SOURCE_DIR}/config/url.xml" template)
string(REPLACE "@DOCS_URL@" "${docs_url}" deployed "${template}")
file(WRITE "${DEST_DIR}/config/url.xml.tmp" "${deployed}")
file(RENAME "${DEST_DIR}/config/url.xml.tmp" "${DEST_DIR}/config/url.xml")
