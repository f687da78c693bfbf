# Keeps a source tree's include graph one way: each folder of SOURCE_DIR may include only the
# folders its rule names (besides itself), as "folder/header.h", never by "../". A folder without a rule fails
# too, so a new folder gets one. RULES is a file of `set(may_include_<folder> …)` lines; it may
# also name in `audio_library_owners` the only folders that include the audio library's header.
#
#     cmake -DSOURCE_DIR=<tree> -DRULES=<rules.cmake> -P includedirection.cmake
cmake_minimum_required(VERSION 3.25)

include(${RULES})

file(GLOB entries RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
set(folders "")
foreach(entry IN LISTS entries)
    if(IS_DIRECTORY ${SOURCE_DIR}/${entry})
        list(APPEND folders ${entry})
    endif()
endforeach()

set(violations "")
foreach(folder IN LISTS folders)
    if(NOT DEFINED may_include_${folder})
        list(APPEND violations "${folder}/ has no rule")
        continue()
    endif()
    file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.h
         ${SOURCE_DIR}/${folder}/*.cpp)
    foreach(source IN LISTS sources)
        file(STRINGS ${SOURCE_DIR}/${source} library REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]zvaudio")
        if(library AND DEFINED audio_library_owners AND NOT folder IN_LIST audio_library_owners)
            list(APPEND violations "${source} includes the audio library's header")
        endif()
        file(STRINGS ${SOURCE_DIR}/${source} climbing REGEX "^[ \t]*#[ \t]*include[ \t]*\"\\.\\./")
        if(climbing)
            list(APPEND violations "${source} includes by a path that climbs out of its folder")
        endif()
        file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^/\"]+/")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^[^\"]*\"([^/\"]+)/.*$" "\\1" target "${line}")
            if(target IN_LIST folders AND NOT target STREQUAL folder
               AND NOT target IN_LIST may_include_${folder})
                string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" header "${line}")
                list(APPEND violations "${source} includes ${header}")
            endif()
        endforeach()
    endforeach()
endforeach()

if(violations)
    list(JOIN violations "\n  " report)
    message(FATAL_ERROR "Forbidden includes between the folders of ${SOURCE_DIR}:\n  ${report}")
endif()
