# Warnings, sanitizers and fuzzers for every target of the project.
option(RT_WERROR "Treat warnings as errors (CI turns this on)" OFF)
option(RT_ENABLE_ASAN "Build with AddressSanitizer + UBSan" OFF)
option(RT_ENABLE_FUZZERS "Build libFuzzer targets (clang only)" OFF)
option(RT_ENABLE_TSAN "Build with ThreadSanitizer (clang preferred; not with ASan or fuzzers)" OFF)

add_library(rt_warnings INTERFACE)
target_compile_options(rt_warnings INTERFACE
    -Wall -Wextra -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wsuggest-override -Wcast-qual -Wformat=2
    -Wimplicit-fallthrough -Wmissing-declarations -Wundef -Wold-style-cast
    $<$<BOOL:${RT_WERROR}>:-Werror>)
# g++ 12 warns, when optimising, of an overlapping copy inside std::string's own operator+ and
# assign from a literal (GCC bug 105651, a false positive of the 12 series); with -Werror it would
# fail every optimised build.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(rt_warnings INTERFACE -Wno-restrict)
endif()
# clang checks the runtime lock's annotations (value/ThreadSafety.h): what is guarded by it is
# touched only with it held, and what takes it gives it back.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    target_compile_options(rt_warnings INTERFACE -Wthread-safety)
endif()

if(RT_ENABLE_ASAN)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# ThreadSanitizer instruments every library (the runtime, the program, the tests and libpelnix)
# and links its runtime into every program. Its shadow memory cannot coexist with ASan's, and the
# fuzzers are built with ASan.
if(RT_ENABLE_TSAN)
    if(RT_ENABLE_ASAN OR RT_ENABLE_FUZZERS)
        message(FATAL_ERROR "RT_ENABLE_TSAN cannot be combined with RT_ENABLE_ASAN or RT_ENABLE_FUZZERS")
    endif()
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()

# A fuzzing build instruments every library, so libFuzzer sees coverage of the code under test
# and not only of the fuzzer's own file.
if(RT_ENABLE_FUZZERS)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# Usage: rt_add_fuzzer(FuzzPicture fuzz/FuzzPicture.cpp value)
function(rt_add_fuzzer name source)
    if(NOT RT_ENABLE_FUZZERS)
        return()
    endif()
    add_executable(${name} ${source})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name} PRIVATE ${ARGN})
    # A fuzzer is a program of its own: one that links the platform library carries an empty
    # resource table (cmake/EmbedResources.cmake).
    varn_ensure_resource_table(${name})
endfunction()
