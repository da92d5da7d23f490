# The shipped language files: copied into the Language folder beside the program,
# and English.ini embedded as the "OWNER_DATA" resource 1033, which is its UTF-16LE
# text without the byte-order mark (the program writes the mark itself).
set(VISTREL_LANGUAGE_SOURCE_DIR ${CMAKE_SOURCE_DIR}/resources/Language CACHE INTERNAL "")
set(vistrel_language_generated ${CMAKE_BINARY_DIR}/generated/language)

file(GLOB vistrel_language_files CONFIGURE_DEPENDS ${VISTREL_LANGUAGE_SOURCE_DIR}/*.ini)
foreach(file ${vistrel_language_files})
    get_filename_component(name ${file} NAME)
    configure_file(${file} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Language/${name} COPYONLY)
endforeach()

# The resource data as 16-bit words for the resource compiler; configure_file makes
# a change of English.ini re-run this step when building.
set(english ${VISTREL_LANGUAGE_SOURCE_DIR}/English.ini)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${english})
file(READ ${english} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR remainder "${hex_length} % 4")
if(NOT hex MATCHES "^fffe" OR NOT remainder EQUAL 0)
    message(FATAL_ERROR "${english} must be UTF-16LE text with a byte-order mark")
endif()
string(SUBSTRING "${hex}" 4 -1 hex)
string(REGEX REPLACE "(..)(..)" "0x\\2\\1," words "${hex}")
string(REPEAT "0x....," 16 line)
string(REGEX REPLACE "(${line})" "\\1\n" words "${words}")
string(REGEX REPLACE ",\n?$" "\n" words "${words}")
file(WRITE ${vistrel_language_generated}/English.owner_data.tmp "${words}")
configure_file(${vistrel_language_generated}/English.owner_data.tmp
    ${vistrel_language_generated}/English.owner_data.inc COPYONLY)

target_include_directories(vistrel_config PUBLIC ${vistrel_language_generated})
# What a resource script that includes language.rc depends on.
set(VISTREL_LANGUAGE_RC_DEPENDS
    "${CMAKE_SOURCE_DIR}/resources/language.rc;${vistrel_language_generated}/English.owner_data.inc"
    CACHE INTERNAL "")
