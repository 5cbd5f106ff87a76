# Resources compiled into a program (platform/Resources.h).
#
# varn_embed_resources(<target> [ENTRIES <type> <name> <file> [<type> <name> <file>]...])
#
# Generates, at build time, a C++ source holding each file's bytes and the program's one
# resource table `platform::kResourceTable`, and adds it to <target>. <target> must be an
# executable or an object library linked into one: the table is referenced by the platform
# library, and a static library placed before it on the link line would not be searched for it
# again. Call it once per program; with no ENTRIES the table is empty (for a program that links
# code looking resources up but needs none).
#
# <type> and <name> are ASCII without quotes or backslashes; they are matched without regard to
# case, and two entries may not differ only in case. A relative <file> is taken from the
# current source directory. The source is regenerated whenever a file changes. A file made by
# a custom command of another directory also needs add_dependencies() on the target making it.
set(VARN_RESOURCE_GENERATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/GenerateResourceTable.cmake
    CACHE INTERNAL "Script writing the resource table source")

function(varn_embed_resources target)
    cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "ENTRIES")
    if(ARG_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "varn_embed_resources(${target}): unexpected ${ARG_UNPARSED_ARGUMENTS}")
    endif()
    get_target_property(kind ${target} TYPE)
    if(NOT kind STREQUAL "EXECUTABLE" AND NOT kind STREQUAL "OBJECT_LIBRARY")
        message(FATAL_ERROR "varn_embed_resources(${target}): the target is a ${kind}; "
                            "it must be an executable or an object library")
    endif()
    get_target_property(done ${target} VARN_RESOURCES_EMBEDDED)
    if(done)
        message(FATAL_ERROR "varn_embed_resources(${target}): a program has one resource table; "
                            "list every entry in one call")
    endif()
    set_property(TARGET ${target} PROPERTY VARN_RESOURCES_EMBEDDED TRUE)

    list(LENGTH ARG_ENTRIES count)
    math(EXPR remainder "${count} % 3")
    if(NOT remainder EQUAL 0)
        message(FATAL_ERROR "varn_embed_resources(${target}): ENTRIES takes triples "
                            "<type> <name> <file>")
    endif()

    set(manifest "")
    set(files "")
    set(keys "")
    set(index 0)
    while(index LESS count)
        list(GET ARG_ENTRIES ${index} type)
        math(EXPR index "${index} + 1")
        list(GET ARG_ENTRIES ${index} name)
        math(EXPR index "${index} + 1")
        list(GET ARG_ENTRIES ${index} file)
        math(EXPR index "${index} + 1")
        foreach(word IN ITEMS "${type}" "${name}")
            # Printable ASCII but for " ; [ \ ], which the generated source and the
            # manifest would have to escape.
            if(NOT word MATCHES "^[ !#-:<-Z^-~]+$")
                message(FATAL_ERROR "varn_embed_resources(${target}): \"${word}\" is not a "
                                    "resource type or name (printable ASCII but \" ; [ \\ ])")
            endif()
        endforeach()
        string(TOUPPER "${type}|${name}" key)
        if(key IN_LIST keys)
            message(FATAL_ERROR "varn_embed_resources(${target}): ${type} ${name} is listed twice "
                                "(names and types ignore case)")
        endif()
        list(APPEND keys "${key}")
        get_filename_component(file "${file}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
        list(APPEND files "${file}")
        string(APPEND manifest "list(APPEND VARN_RESOURCE_ENTRIES [==[${type}]==] [==[${name}]==] "
                               "[==[${file}]==])\n")
    endwhile()

    set(directory ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
    set(manifest_file ${directory}/manifest.cmake)
    set(source ${directory}/ResourceTable.cpp)
    # Written at generate time and only when it changes, so that an unchanged list does not
    # rebuild the table.
    file(GENERATE OUTPUT ${manifest_file} CONTENT "${manifest}")
    add_custom_command(
        OUTPUT ${source}
        COMMAND ${CMAKE_COMMAND} -DMANIFEST=${manifest_file} -DOUTPUT=${source}
                -P ${VARN_RESOURCE_GENERATOR}
        DEPENDS ${manifest_file} ${files} ${VARN_RESOURCE_GENERATOR}
        COMMENT "Embedding resources into ${target}"
        VERBATIM)
    target_sources(${target} PRIVATE ${source})
endfunction()
