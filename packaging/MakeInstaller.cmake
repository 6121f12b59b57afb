# Builds the installer from the dist folder with makensis:
#   cmake -DSOURCE_DIR=<repo> -DDIST_DIR=<build>/dist/Lullgate -DWORK_DIR=<scratch> -DOUT_FILE=<setup.exe>
#         -DVERSION=<x.y.z> -DURL_WRITER=<UrlConfigWriter.exe> -P packaging/MakeInstaller.cmake
# The file lists are made from the dist folder itself, so the uninstaller removes exactly the files
# the installer put down (config\url.xml is written at install time and removed by name).
cmake_minimum_required(VERSION 3.21)
foreach(var SOURCE_DIR DIST_DIR WORK_DIR OUT_FILE VERSION URL_WRITER)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "MakeInstaller: ${var} is not set")
    endif()
endforeach()
find_program(MAKENSIS makensis REQUIRED)

file(MAKE_DIRECTORY "${WORK_DIR}")
file(GLOB_RECURSE files RELATIVE "${DIST_DIR}" "${DIST_DIR}/*")
list(SORT files)
set(installs "")
set(deletes "")
set(folders "")
foreach(file IN LISTS files)
    if(file STREQUAL "config/url.xml")
        continue() # written for the chosen folder at install time
    endif()
    get_filename_component(folder "${file}" DIRECTORY)
    string(REPLACE "/" "\\" winfolder "${folder}")
    string(REPLACE "/" "\\" winfile "${file}")
    if(folder STREQUAL "")
        string(APPEND installs "SetOutPath \"$INSTDIR\"\n")
    else()
        string(APPEND installs "SetOutPath \"$INSTDIR\\${winfolder}\"\n")
        list(APPEND folders "${folder}")
    endif()
    string(APPEND installs "File \"${DIST_DIR}/${file}\"\n")
    string(APPEND deletes "Delete \"$INSTDIR\\${winfile}\"\n")
    # Every parent folder too, so that empty ones are removed.
    while(NOT folder STREQUAL "")
        list(APPEND folders "${folder}")
        get_filename_component(folder "${folder}" DIRECTORY)
    endwhile()
endforeach()
string(APPEND installs "SetOutPath \"$INSTDIR\"\n")
list(REMOVE_DUPLICATES folders)
# Deepest first: a folder is empty only once its subfolders are gone.
list(SORT folders ORDER DESCENDING)
foreach(folder IN LISTS folders)
    string(REPLACE "/" "\\" winfolder "${folder}")
    string(APPEND deletes "RMDir \"$INSTDIR\\${winfolder}\"\n")
endforeach()
file(WRITE "${WORK_DIR}/files.nsh" "${installs}")
file(WRITE "${WORK_DIR}/deletes.nsh" "${deletes}")

execute_process(
    COMMAND "${MAKENSIS}" -V2 -NOCD
        "-DVERSION=${VERSION}" "-DDIST_DIR=${DIST_DIR}" "-DOUT_FILE=${OUT_FILE}"
        "-DICON_FILE=${SOURCE_DIR}/app/Lullgate.ico" "-DURL_TEMPLATE=${SOURCE_DIR}/config/url.xml"
        "-DURL_WRITER=${URL_WRITER}" "-DFILES_NSH=${WORK_DIR}/files.nsh" "-DDELETES_NSH=${WORK_DIR}/deletes.nsh"
        "${SOURCE_DIR}/packaging/Lullgate.nsi"
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "makensis failed (${result})")
endif()
