# Builds the Windows Installer package from the dist folder with wixl:
#   cmake -DSOURCE_DIR=<repo> -DDIST_DIR=<build>/dist/Lullgate -DWORK_DIR=<scratch> -DOUT_FILE=<.msi>
#         -DVERSION=<x.y.z> -DHELPER=<LullgateInstallHelper.exe> -DCHECK_DLL=<LullgateMsiCheck.dll>
#         -P packaging/MakeMsi.cmake
# Every file of dist/ (but config\url.xml, written at install time) is a component of its own, with the
# stable GUID wixl derives from its place. The product code is derived from the version, so one version
# always has the same code (detection rules and winget's manifest name it).
cmake_minimum_required(VERSION 3.21)
foreach(var SOURCE_DIR DIST_DIR WORK_DIR OUT_FILE VERSION HELPER CHECK_DLL)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "MakeMsi: ${var} is not set")
    endif()
endforeach()
find_program(WIXL wixl REQUIRED)

# wixl takes source paths relative to where it runs: everything goes into one staging folder.
set(stage "${WORK_DIR}/stage")
file(REMOVE_RECURSE "${stage}")
file(MAKE_DIRECTORY "${stage}")
file(COPY "${DIST_DIR}/" DESTINATION "${stage}/dist")
file(REMOVE "${stage}/dist/config/url.xml")
file(COPY "${HELPER}" "${CHECK_DLL}" "${SOURCE_DIR}/app/Lullgate.ico" DESTINATION "${stage}")

# Ids are made of the path's hash: wixl wants them short and of letters, digits, '_' and '.'.
function(lullgate_msi_id prefix path out)
    string(SHA1 hash "${path}")
    string(SUBSTRING "${hash}" 0 24 hash)
    set(${out} "${prefix}${hash}" PARENT_SCOPE)
endfunction()

# Writes the <Directory>/<Component> tree of one dist folder (relative path, "" for the top).
function(lullgate_msi_tree folder indent out)
    set(xml "")
    if(folder STREQUAL "")
        set(base "${stage}/dist")
    else()
        set(base "${stage}/dist/${folder}")
    endif()
    file(GLOB entries RELATIVE "${base}" "${base}/*")
    list(SORT entries)
    foreach(entry IN LISTS entries)
        if(folder STREQUAL "")
            set(path "${entry}")
        else()
            set(path "${folder}/${entry}")
        endif()
        if(IS_DIRECTORY "${base}/${entry}")
            lullgate_msi_id(d "${path}" id)
            lullgate_msi_tree("${path}" "${indent}  " inner)
            string(APPEND xml "${indent}<Directory Id=\"${id}\" Name=\"${entry}\">\n${inner}${indent}</Directory>\n")
        else()
            lullgate_msi_id(c "${path}" id)
            string(APPEND xml "${indent}<Component Id=\"${id}\" Guid=\"*\" Win64=\"yes\">\n"
                              "${indent}  <File Id=\"${id}\" Source=\"dist/${path}\" KeyPath=\"yes\"/>\n"
                              "${indent}</Component>\n")
            set_property(GLOBAL APPEND_STRING PROPERTY LULLGATE_MSI_REFS "      <ComponentRef Id=\"${id}\"/>\n")
        endif()
    endforeach()
    set(${out} "${xml}" PARENT_SCOPE)
endfunction()

set_property(GLOBAL PROPERTY LULLGATE_MSI_REFS "")
lullgate_msi_tree("" "          " DIST_TREE)
get_property(DIST_REFS GLOBAL PROPERTY LULLGATE_MSI_REFS)
string(UUID PRODUCT_CODE NAMESPACE 8BC34C9A-3B18-42D5-B857-0BA0FDCD14F1 NAME "Lullgate-x64-${VERSION}" TYPE SHA1 UPPER)
configure_file("${SOURCE_DIR}/packaging/Lullgate.wxs.in" "${stage}/Lullgate.wxs" @ONLY)

execute_process(
    COMMAND "${WIXL}" -a x64 -o "${OUT_FILE}" Lullgate.wxs
    WORKING_DIRECTORY "${stage}"
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "wixl failed (${result})")
endif()
