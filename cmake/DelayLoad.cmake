# kw_delay_load(TARGET DLL...): TARGET and what links it call the DLLs' functions as usual,
# but each DLL is loaded on the first call rather than when the program starts. The program
# restricts the library search to the system folder first, so a DLL of the same name planted
# beside it is never loaded (the Windows loader only protects its KnownDLLs list from that).
function(kw_delay_load target)
  if(MSVC)
    foreach(dll IN LISTS ARGN)
      target_link_options(${target} INTERFACE /DELAYLOAD:${dll}.dll)
      target_link_libraries(${target} INTERFACE ${dll})
    endforeach()
    target_link_libraries(${target} INTERFACE delayimp)
  elseif(MINGW AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    # binutils 2.40's dlltool makes i386 delay-import libraries whose import address table
    # the program jumps through before it is filled (a call at address 0): imported as usual.
    target_link_libraries(${target} INTERFACE ${ARGN})
  elseif(MINGW)
    # A delay-import library made with dlltool from the names the import library exports.
    foreach(dll IN LISTS ARGN)
      find_library(KW_IMPORT_LIB_${dll} NAMES lib${dll}.a REQUIRED)
      execute_process(COMMAND ${CMAKE_NM} --defined-only ${KW_IMPORT_LIB_${dll}} OUTPUT_VARIABLE symbols
                      COMMAND_ERROR_IS_FATAL ANY)
      string(REGEX MATCHALL "[ \t]I __imp__?[A-Za-z0-9_@]+" imports "${symbols}")
      set(def "LIBRARY ${dll}.dll\nEXPORTS\n")
      foreach(import IN LISTS imports)
        string(REGEX REPLACE "^[ \t]I __imp_" "" name "${import}")
        string(APPEND def "  ${name}\n")
      endforeach()
      set(defFile ${CMAKE_BINARY_DIR}/delayload/${dll}.def)
      set(delayLib ${CMAKE_BINARY_DIR}/delayload/lib${dll}_delay.a)
      file(WRITE ${defFile} "${def}")
      add_custom_command(OUTPUT ${delayLib}
        COMMAND ${CMAKE_DLLTOOL} --input-def ${defFile} --dllname ${dll}.dll --output-delaylib ${delayLib}
        DEPENDS ${defFile} VERBATIM)
      add_custom_target(kw_delay_${dll} DEPENDS ${delayLib})
      add_dependencies(${target} kw_delay_${dll})
      target_link_libraries(${target} INTERFACE ${delayLib})
    endforeach()
    target_link_libraries(${target} INTERFACE delayimp)
  endif()
endfunction()
