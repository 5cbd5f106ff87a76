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
#
# varn_ensure_resource_table(<target>)
#
# At the end of the current directory, gives the executable <target> an empty resource table
# when it links the platform library and has none by then, so that a later varn_embed_resources
# call with the program's entries still takes precedence.
#
# varn_check_resource_tables()
#
# Run by itself once the whole configuration has been read (whatever directories come after the
# one including this file): stops it, naming them, when executables link the platform library
# without a resource table. Whether the linker pulls the resource lookup into a program depends
# on what it inlines and keeps, so the optimisation level decides whether a missing table fails
# to link; this check asks for the table in every build type alike.
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

# varn_link_closure(<target> <out-var>): <target> and the project's targets it links, directly
# or through others (a static library's own libraries included). Imported targets are left out:
# none of them links a library of this project.
function(varn_link_closure target out_var)
    set(pending ${target})
    set(closure "")
    while(pending)
        list(POP_FRONT pending current)
        get_target_property(aliased ${current} ALIASED_TARGET)
        if(aliased)
            set(current ${aliased})
        endif()
        if(current IN_LIST closure)
            continue()
        endif()
        list(APPEND closure ${current})
        foreach(property IN ITEMS LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
            get_target_property(libraries ${current} ${property})
            if(NOT libraries)
                continue()
            endif()
            foreach(library IN LISTS libraries)
                # A static library lists its private libraries for its users as $<LINK_ONLY:x>.
                string(REGEX REPLACE "^\\$<LINK_ONLY:(.+)>$" "\\1" library "${library}")
                if(TARGET "${library}")
                    get_target_property(imported "${library}" IMPORTED)
                    if(NOT imported)
                        list(APPEND pending "${library}")
                    endif()
                endif()
            endforeach()
        endforeach()
    endwhile()
    set(${out_var} ${closure} PARENT_SCOPE)
endfunction()

# varn_needs_resource_table(<target> <out-var>): whether <target> links the platform library, and
# so the resource lookup, without a resource table among its own sources or its object libraries.
function(varn_needs_resource_table target out_var)
    varn_link_closure(${target} closure)
    set(needs FALSE)
    if(platform IN_LIST closure)
        set(needs TRUE)
        foreach(linked IN LISTS closure)
            get_target_property(embedded ${linked} VARN_RESOURCES_EMBEDDED)
            if(embedded)
                set(needs FALSE)
                break()
            endif()
        endforeach()
    endif()
    set(${out_var} ${needs} PARENT_SCOPE)
endfunction()

function(varn_ensure_resource_table target)
    # The name is written into the deferred call now: its arguments are read when it runs.
    cmake_language(EVAL CODE
        "cmake_language(DEFER CALL varn_embed_empty_resource_table_if_needed [==[${target}]==])")
endfunction()

function(varn_embed_empty_resource_table_if_needed target)
    varn_needs_resource_table(${target} needs)
    if(needs)
        varn_embed_resources(${target})
    endif()
endfunction()

function(varn_check_resource_tables)
    set(directories ${PROJECT_SOURCE_DIR})
    set(missing "")
    while(directories)
        list(POP_FRONT directories directory)
        get_directory_property(subdirectories DIRECTORY ${directory} SUBDIRECTORIES)
        list(APPEND directories ${subdirectories})
        get_directory_property(targets DIRECTORY ${directory} BUILDSYSTEM_TARGETS)
        foreach(target IN LISTS targets)
            get_target_property(kind ${target} TYPE)
            if(kind STREQUAL "EXECUTABLE")
                varn_needs_resource_table(${target} needs)
                if(needs)
                    list(APPEND missing ${target})
                endif()
            endif()
        endforeach()
    endwhile()
    if(missing)
        list(JOIN missing ", " missing)
        message(FATAL_ERROR "These programs link the platform library but have no resource table: "
                            "${missing}. Give each one a table with varn_embed_resources (an empty "
                            "one when it needs no resources; varn_add_tests does it for tests).")
    endif()
endfunction()

cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL varn_check_resource_tables)
