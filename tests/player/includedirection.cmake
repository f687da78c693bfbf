# Keeps the player's include graph one way: each folder of player/ may include only the folders
# its row names (besides itself). A folder without a row fails too, so a new folder gets a rule.
# The audio library's header belongs to engine/ alone: the engine is the library's one owner.
#
#     cmake -DPLAYER_DIR=<source>/player -P includedirection.cmake
cmake_minimum_required(VERSION 3.25)

set(may_include_platform "")
set(may_include_net platform)
set(may_include_engine platform net)
set(may_include_dialogs platform net engine)
set(may_include_ui platform net engine dialogs)
set(may_include_startup platform net engine ui)
set(may_include_desktop platform engine)
set(audio_library_owners engine)

file(GLOB entries RELATIVE ${PLAYER_DIR} ${PLAYER_DIR}/*)
set(folders "")
foreach(entry IN LISTS entries)
    if(IS_DIRECTORY ${PLAYER_DIR}/${entry})
        list(APPEND folders ${entry})
    endif()
endforeach()

set(violations "")
foreach(folder IN LISTS folders)
    if(NOT DEFINED may_include_${folder})
        list(APPEND violations "${folder}/ has no rule")
        continue()
    endif()
    file(GLOB_RECURSE sources RELATIVE ${PLAYER_DIR} ${PLAYER_DIR}/${folder}/*.h
         ${PLAYER_DIR}/${folder}/*.cpp)
    foreach(source IN LISTS sources)
        file(STRINGS ${PLAYER_DIR}/${source} library REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]zvaudio")
        if(library AND NOT folder IN_LIST audio_library_owners)
            list(APPEND violations "${source} includes the audio library's header")
        endif()
        file(STRINGS ${PLAYER_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^/\"]+/")
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
    message(FATAL_ERROR "Forbidden includes between player folders:\n  ${report}")
endif()
