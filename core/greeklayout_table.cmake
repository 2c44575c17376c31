# Turns the layout's "greek" rows into C++ initialisers: {code, 0xUUUU},
file(STRINGS ${IN} _lines ENCODING UTF-8)
set(_out "// Generated from greek-layout.tsv; do not edit.\n")
foreach(_line IN LISTS _lines)
    if(_line MATCHES "^([0-9]+)\tU\\+([0-9A-Fa-f]+)\t[^\t]*\t[^\t]*\tgreek$")
        string(APPEND _out "    {${CMAKE_MATCH_1}, 0x${CMAKE_MATCH_2}},\n")
    endif()
endforeach()
file(WRITE ${OUT} "${_out}")
