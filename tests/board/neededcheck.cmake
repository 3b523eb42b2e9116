cmake_minimum_required(VERSION 3.25)

# Fails when a program loads a shared library it must not: PROGRAMS names the programs separated
# by commas, FORBIDDEN is a regular expression for the library names, OBJDUMP the tool that reads
# what each program needs.
string(REPLACE "," ";" programs "${PROGRAMS}")
foreach(program IN LISTS programs)
    execute_process(COMMAND "${OBJDUMP}" -p "${program}" OUTPUT_VARIABLE headers
        RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${OBJDUMP} cannot read ${program}")
    endif()
    string(REGEX MATCHALL "NEEDED +[^\n]+" needed "${headers}")
    foreach(entry IN LISTS needed)
        string(REGEX REPLACE "NEEDED +" "" library "${entry}")
        if(library MATCHES "${FORBIDDEN}")
            message(FATAL_ERROR "${program} loads ${library}")
        endif()
    endforeach()
    message(STATUS "${program} loads none of ${FORBIDDEN}")
endforeach()
