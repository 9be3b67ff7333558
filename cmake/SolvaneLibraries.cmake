# The libraries that Solvane loads by name at run time (the acquisition and
# conversion libraries, ours and the test stand-ins) all export their
# interface the same way: exactly the plain function names, nothing else.

# Each interface function with the bytes of arguments that __stdcall on
# 32-bit Windows appends to its name ("getDevice@12").
set(SOLVANE_INTERFACE_quelbin
    getNbAcqui@0 getNbDevices@0 getDevice@12 getNbCommands@0
    getCommandName@8 addCommand@4 getRawDataInfo@12 getRawData@8)
# The functions a library may leave out; exported only where OPTIONAL names them.
set(SOLVANE_OPTIONAL_quelbin getStatusText@4)
set(SOLVANE_INTERFACE_tarvox
    Tarvox_ToBOOL@4 Tarvox_ToINT1@4 Tarvox_ToINT2@4 Tarvox_ToINT4@4
    Tarvox_ToREAL4@4 Tarvox_ToREAL8@4)

# solvane_add_loadable_library(<target> NAME <file base name>
#     INTERFACE <quelbin|tarvox> OUTPUT_DIRECTORY <dir> SOURCES <file>...
#     [FUNCTIONS <name>...] [OPTIONAL <name>...] [EXTRA_EXPORTS <name>...])
# A shared library named like the one the program looks for (libQuelbin.so,
# Quelbin.dll) in its own folder. On Windows a generated .def maps each plain
# name to the decorated __stdcall symbol, so the program's look-up by plain
# name finds it; elsewhere a version script exports the interface only, which
# also hides the standard library's template instances. FUNCTIONS limits the
# interface to some of its functions (a library made to lack the others);
# OPTIONAL adds optional functions of the interface that the library has;
# EXTRA_EXPORTS are the C-convention control functions of the test libraries.
function(solvane_add_loadable_library target)
    cmake_parse_arguments(ARG "" "NAME;INTERFACE;OUTPUT_DIRECTORY" "SOURCES;FUNCTIONS;OPTIONAL;EXTRA_EXPORTS" ${ARGN})
    if(NOT DEFINED SOLVANE_INTERFACE_${ARG_INTERFACE})
        message(FATAL_ERROR "${target}: unknown interface '${ARG_INTERFACE}'")
    endif()

    add_library(${target} SHARED ${ARG_SOURCES})
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/include)
    set_target_properties(${target} PROPERTIES
        OUTPUT_NAME ${ARG_NAME}
        LIBRARY_OUTPUT_DIRECTORY ${ARG_OUTPUT_DIRECTORY}
        RUNTIME_OUTPUT_DIRECTORY ${ARG_OUTPUT_DIRECTORY}
        # The import library too: several libraries share one name.
        ARCHIVE_OUTPUT_DIRECTORY ${ARG_OUTPUT_DIRECTORY})

    if(WIN32)
        set_target_properties(${target} PROPERTIES PREFIX "") # Quelbin.dll
    endif()

    set(plain_names ${ARG_EXTRA_EXPORTS})
    set(def_lines ${ARG_EXTRA_EXPORTS})
    foreach(decorated IN LISTS SOLVANE_INTERFACE_${ARG_INTERFACE} SOLVANE_OPTIONAL_${ARG_INTERFACE})
        string(REGEX REPLACE "@[0-9]+$" "" plain ${decorated})
        if(decorated IN_LIST SOLVANE_OPTIONAL_${ARG_INTERFACE})
            if(NOT plain IN_LIST ARG_OPTIONAL)
                continue()
            endif()
        elseif(ARG_FUNCTIONS AND NOT plain IN_LIST ARG_FUNCTIONS)
            continue()
        endif()
        list(APPEND plain_names ${plain})
        if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
            list(APPEND def_lines "${plain} = ${decorated}")
        else()
            list(APPEND def_lines ${plain})
        endif()
    endforeach()

    if(WIN32)
        list(JOIN def_lines "\n    " exports)
        set(def ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
        file(CONFIGURE OUTPUT ${def}
             CONTENT "LIBRARY ${ARG_NAME}\nEXPORTS\n    ${exports}\n" @ONLY)
        target_sources(${target} PRIVATE ${def})
    else()
        list(JOIN plain_names ";\n    " globals)
        set(map ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
        file(CONFIGURE OUTPUT ${map}
             CONTENT "{\n  global:\n    ${globals};\n  local:\n    *;\n};\n" @ONLY)
        target_link_options(${target} PRIVATE LINKER:--version-script=${map})
        set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
    endif()
    set_property(TARGET ${target} PROPERTY SOLVANE_EXPORTS ${plain_names})
endfunction()
