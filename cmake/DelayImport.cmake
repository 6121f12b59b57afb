# lullgate_delay_import(<target> <dll-base-name> ...): the target imports those system libraries
# lazily, so that each is loaded on first use, after start-up has limited the library search to
# System32 (SetDefaultDllDirectories). A library loaded at process start is searched for in the
# executable's own folder first, where anyone who can drop a file beside the program (a downloads
# folder, say) could plant one. MSVC does this with /DELAYLOAD; with MinGW-w64 a delay-import
# library is made from the import library's symbols with dlltool.
function(lullgate_delay_import target)
    foreach(dll IN LISTS ARGN)
        if(MSVC)
            target_link_options(${target} PRIVATE /DELAYLOAD:${dll}.dll)
            target_link_libraries(${target} PRIVATE delayimp)
            continue()
        endif()
        find_library(import_lib_${dll} NAMES lib${dll}.a REQUIRED)
        set(out ${CMAKE_BINARY_DIR}/delayimp)
        set(def ${out}/${dll}.def)
        set(lib ${out}/lib${dll}_delay.a)
        if(NOT TARGET ${dll}_delay_import)
            add_custom_command(OUTPUT ${lib}
                COMMAND ${CMAKE_COMMAND} -DIMPORT_LIB=${import_lib_${dll}} -DDLL=${dll}.dll -DDEF=${def}
                        -DNM=${CMAKE_NM} -P ${PROJECT_SOURCE_DIR}/cmake/MakeDelayDef.cmake
                COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --output-delaylib ${lib} --dllname ${dll}.dll
                DEPENDS ${PROJECT_SOURCE_DIR}/cmake/MakeDelayDef.cmake
                COMMENT "Delay-import library for ${dll}.dll"
                VERBATIM)
            add_custom_target(${dll}_delay_import DEPENDS ${lib})
        endif()
        add_dependencies(${target} ${dll}_delay_import)
        # After the libraries that call into the DLL (call this after the target's other
        # target_link_libraries) and before the plain import library they bring, so the lazy
        # imports win.
        target_link_libraries(${target} PRIVATE ${lib})
    endforeach()
endfunction()
