# cmake -DFILE=<binary> [-DEXPORTS=a,b,c] [-DIMPORTS_SYSTEM_ONLY=ON]
#       -DOBJDUMP=<objdump> -DNM=<nm> -P CheckBinary.cmake
# Fails unless the binary exports exactly the given plain names (nothing
# decorated, nothing missing, nothing more), and, with IMPORTS_SYSTEM_ONLY,
# unless a Windows binary imports Windows' own DLLs only.
cmake_minimum_required(VERSION 3.25)

if(NOT EXISTS "${FILE}")
    message(FATAL_ERROR "${FILE}: no such file")
endif()
get_filename_component(name "${FILE}" NAME)
# The tables below are read by their English headings, whatever the
# language of the session that runs the check.
set(ENV{LC_ALL} C)
string(TOLOWER "${FILE}" lower)
if(lower MATCHES "\\.(dll|exe)$")
    set(windows ON)
    execute_process(COMMAND "${OBJDUMP}" -p "${FILE}"
                    OUTPUT_VARIABLE dump RESULT_VARIABLE status)
else()
    set(windows OFF)
    execute_process(COMMAND "${NM}" -D --defined-only "${FILE}"
                    OUTPUT_VARIABLE dump RESULT_VARIABLE status)
endif()
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${name}: cannot read the binary (${status})")
endif()
string(REPLACE "\n" ";" lines "${dump}")

if(DEFINED EXPORTS)
    string(REPLACE "," ";" expected "${EXPORTS}")
    set(found "")
    if(windows)
        # objdump lists the export names after "[Ordinal/Name Pointer] Table".
        set(in_table OFF)
        foreach(line IN LISTS lines)
            if(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
                set(in_table ON)
            elseif(in_table AND line MATCHES "^\t\\[ *[0-9]+\\] (.+)$")
                list(APPEND found "${CMAKE_MATCH_1}")
            elseif(in_table)
                set(in_table OFF)
            endif()
        endforeach()
    else()
        foreach(line IN LISTS lines)
            if(line MATCHES "^[0-9a-f]+ [TDBRVW] (.+)$")
                list(APPEND found "${CMAKE_MATCH_1}")
            endif()
        endforeach()
    endif()
    list(SORT found)
    foreach(symbol IN LISTS found)
        if(symbol MATCHES "@")
            message(SEND_ERROR "${name}: decorated export ${symbol}")
        elseif(NOT symbol IN_LIST expected)
            message(SEND_ERROR "${name}: unexpected export ${symbol}")
        endif()
    endforeach()
    foreach(symbol IN LISTS expected)
        if(NOT symbol IN_LIST found)
            message(SEND_ERROR "${name}: missing export ${symbol}")
        endif()
    endforeach()
    list(JOIN found " " shown)
    message(STATUS "${name} exports: ${shown}")
endif()

if(IMPORTS_SYSTEM_ONLY AND windows)
    # Windows' own DLLs that a static Qt program may import.
    set(system_dlls
        advapi32.dll comdlg32.dll dwmapi.dll gdi32.dll imm32.dll kernel32.dll
        mpr.dll msvcrt.dll netapi32.dll ole32.dll oleaut32.dll setupapi.dll shcore.dll
        shell32.dll shlwapi.dll user32.dll userenv.dll uxtheme.dll version.dll
        winmm.dll ws2_32.dll wtsapi32.dll d3d9.dll d3d11.dll dxgi.dll authz.dll)
    set(imports "")
    foreach(line IN LISTS lines)
        if(line MATCHES "^\tDLL Name: (.+)$")
            string(TOLOWER "${CMAKE_MATCH_1}" dll)
            list(APPEND imports ${dll})
            if(NOT dll IN_LIST system_dlls AND NOT dll MATCHES "^api-ms-win-")
                message(SEND_ERROR "${name}: imports ${dll}, which Windows does not provide")
            endif()
        endif()
    endforeach()
    list(JOIN imports " " shown)
    message(STATUS "${name} imports: ${shown}")
endif()
