# Run after linking Velmora.exe (cmake -DMAP=... -DEXE=... -DOBJDUMP=... -P this file): fails the
# build when the program holds code that only the C run-time's start-up would run. The program is
# its own entry point, so static constructors and destructors (.ctors/.dtors entries beyond the
# linker's two sentinels), C initialisers (.CRT$X* sections) and a TLS directory (whose callbacks
# and per-thread data need that start-up) would be silently skipped.
file(STRINGS "${MAP}" lines)
set(previous "")
set(found "")
foreach(line IN LISTS lines)
    # An input section: name, address and size on one line, or the name alone on the line before.
    if(line MATCHES "^ (\\.ctors|\\.dtors|\\.ctor|\\.dtor|\\.CRT\\$X)[^ ]*[ ]+0x[0-9a-f]+[ ]+0x([0-9a-f]+) (.*)$")
        set(size "${CMAKE_MATCH_2}")
        set(where "${CMAKE_MATCH_3}")
    elseif(line MATCHES "^[ ]+0x[0-9a-f]+[ ]+0x([0-9a-f]+) (.*)$"
           AND previous MATCHES "^ (\\.ctors|\\.dtors|\\.ctor|\\.dtor|\\.CRT\\$X)[^ ]*$")
        set(size "${CMAKE_MATCH_1}")
        set(where "${CMAKE_MATCH_2}")
    else()
        set(size "0")
    endif()
    if(NOT size MATCHES "^0*$")
        string(STRIP "${where}" where)
        list(APPEND found "${where}")
    endif()
    set(previous "${line}")
endforeach()
execute_process(COMMAND "${OBJDUMP}" -p "${EXE}" OUTPUT_VARIABLE headers RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} could not read ${EXE}")
endif()
if(headers MATCHES "Entry 9 [0-9a-fA-F]+ ([0-9a-fA-F]+) Thread Storage Directory"
   AND NOT CMAKE_MATCH_1 MATCHES "^0+$")
    list(APPEND found "a TLS directory")
endif()
if(found)
    list(REMOVE_DUPLICATES found)
    message(FATAL_ERROR "Velmora.exe needs start-up code its own entry point never runs "
                        "(static constructors or destructors, C initialisers, TLS): ${found}")
endif()
