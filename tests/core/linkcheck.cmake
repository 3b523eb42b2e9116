cmake_minimum_required(VERSION 3.25)

# Fails when a library links anything beyond the libraries it is allowed: LINKS names a file that
# holds the library's link list, ALLOWED the allowed names separated by commas.
file(READ "${LINKS}" links)
string(REPLACE "," ";" allowed "${ALLOWED}")
foreach(library IN LISTS links)
    if(NOT library IN_LIST allowed)
        message(FATAL_ERROR "${LIBRARY} links ${library}; it may link only ${ALLOWED}.")
    endif()
endforeach()
message(STATUS "${LIBRARY} links ${links}")
