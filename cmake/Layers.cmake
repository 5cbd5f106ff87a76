# One library per layer folder. Headers are included as <layer/Name.h> from the
# source root; which layer may include which is checked at build time by
# tools/CheckLayers.cmake, because an include path alone cannot forbid POSIX headers.
set(VARN_LAYERS platform value files window framework app)

# varn_add_layer(<layer> SOURCES ... [DEPENDS <lower layers and libraries>...])
function(varn_add_layer layer)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_library(${layer} STATIC ${ARG_SOURCES})
    target_include_directories(${layer} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${layer} PRIVATE rt_warnings PUBLIC ${ARG_DEPENDS})
endfunction()

function(varn_check_layers)
    set(sources)
    foreach(layer IN LISTS VARN_LAYERS)
        file(GLOB_RECURSE layer_sources CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/${layer}/*.h ${PROJECT_SOURCE_DIR}/${layer}/*.cpp
             ${PROJECT_SOURCE_DIR}/${layer}/*.c)
        list(APPEND sources ${layer_sources})
    endforeach()
    set(stamp ${PROJECT_BINARY_DIR}/layers.checked)
    add_custom_command(
        OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR} "-DLAYERS=${VARN_LAYERS}"
                -P ${PROJECT_SOURCE_DIR}/tools/CheckLayers.cmake
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${sources} ${PROJECT_SOURCE_DIR}/tools/CheckLayers.cmake
        COMMENT "Checking layer includes"
        VERBATIM)
    add_custom_target(check_layers ALL DEPENDS ${stamp})
endfunction()
