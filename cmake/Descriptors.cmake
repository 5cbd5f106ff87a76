# Window declarations compiled at build time (tools/descriptor/README.md).
#
# varn_compile_descriptors(<out-var> <file.wnd>...)
#
# Adds a custom command per file that compiles it with DescriptorCompiler into
# ${CMAKE_CURRENT_BINARY_DIR}/<NAME>.bin, where <NAME> is the file's name without ".wnd", and
# sets <out-var> to the triples "DABDUMP <NAME> <path of the .bin>" to pass among the ENTRIES of
# varn_embed_resources. The file is named after the resource its module makes (module
# "varn$varn002" lives in VARN002_RSC.wnd); the compiler refuses a file whose module does not
# match its name, so the name derived here is the one the loader looks for. A relative path is
# taken from the current source directory.
#
# Call it in the directory that calls varn_embed_resources for the target: a file made by a
# custom command of another directory would also need add_dependencies() there. A declaration
# shared by several programs (the framework's) is compiled once per directory that embeds it.
function(varn_compile_descriptors out_var)
    set(entries "")
    foreach(source IN LISTS ARGN)
        get_filename_component(source "${source}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
        get_filename_component(file_name "${source}" NAME)
        if(NOT file_name MATCHES "^([A-Za-z0-9_$]+_RSC)\\.wnd$")
            message(FATAL_ERROR "varn_compile_descriptors: ${source} is not named <NAME>_RSC.wnd")
        endif()
        string(TOUPPER "${CMAKE_MATCH_1}" name)
        set(output ${CMAKE_CURRENT_BINARY_DIR}/${name}.bin)
        add_custom_command(
            OUTPUT ${output}
            COMMAND DescriptorCompiler ${source} ${output}
            DEPENDS DescriptorCompiler ${source}
            COMMENT "Compiling window declaration ${file_name}"
            VERBATIM)
        list(APPEND entries DABDUMP ${name} ${output})
    endforeach()
    set(${out_var} ${entries} PARENT_SCOPE)
endfunction()
