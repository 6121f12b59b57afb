# Builds the installer from the dist folder with makensis:
#   cmake -DSOURCE_DIR=<repo> -DDIST_DIR=<build>/dist/Lullgate -DWORK_DIR=<scratch> -DOUT_FILE=<setup.exe>
#         -DVERSION=<x.y.z> -DHELPER=<LullgateInstallHelper.exe> [-DSIGN_COMMAND=<signer>]
#         -P packaging/MakeInstaller.cmake
# The file lists are made from the dist folder itself, so the uninstaller removes exactly the files
# the installer put down (config\url.xml is written at install time and removed by name, as is the
# helper). With SIGN_COMMAND (a program that signs the file it is given in place) the installer and
# its uninstaller are signed as makensis writes them.
cmake_minimum_required(VERSION 3.21)
foreach(var SOURCE_DIR DIST_DIR WORK_DIR OUT_FILE VERSION HELPER)
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
    # Each file by its full name, never through SetOutPath: that makes the folder the installer's
    # working folder, which can't be longer than MAX_PATH (and Wine's heap breaks when it is).
    if(NOT folder STREQUAL "")
        string(APPEND installs "CreateDirectory \"$INSTDIR\\${winfolder}\"\n")
    endif()
    string(APPEND installs "File \"/oname=$INSTDIR\\${winfile}\" \"${DIST_DIR}/${file}\"\n")
    string(APPEND deletes "Delete \"$INSTDIR\\${winfile}\"\n")
    # Every parent folder too, so that empty ones are removed.
    while(NOT folder STREQUAL "")
        list(APPEND folders "${folder}")
        get_filename_component(folder "${folder}" DIRECTORY)
    endwhile()
endforeach()
list(REMOVE_DUPLICATES folders)
# Deepest first: a folder is empty only once its subfolders are gone.
list(SORT folders ORDER DESCENDING)
foreach(folder IN LISTS folders)
    string(REPLACE "/" "\\" winfolder "${folder}")
    string(APPEND deletes "RMDir \"$INSTDIR\\${winfolder}\"\n")
endforeach()
file(WRITE "${WORK_DIR}/files.nsh" "${installs}")
file(WRITE "${WORK_DIR}/deletes.nsh" "${deletes}")

set(sign "")
if(SIGN_COMMAND)
    set(sign "-DSIGN_COMMAND=${SIGN_COMMAND}")
endif()
execute_process(
    COMMAND "${MAKENSIS}" -V2 -NOCD
        "-DVERSION=${VERSION}" "-DDIST_DIR=${DIST_DIR}" "-DOUT_FILE=${OUT_FILE}"
        "-DICON_FILE=${SOURCE_DIR}/app/Lullgate.ico" "-DHELPER=${HELPER}"
        "-DFILES_NSH=${WORK_DIR}/files.nsh" "-DDELETES_NSH=${WORK_DIR}/deletes.nsh" ${sign}
        "${SOURCE_DIR}/packaging/Lullgate.nsi"
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "makensis failed (${result})")
endif()
