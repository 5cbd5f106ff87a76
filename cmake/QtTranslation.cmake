# Qt's own texts in the program's language, carried by the program.
#
# varn_embed_qt_translation(<target> <language>)
#
# Finds Qt's translation of its base module for <language> (qtbase_<language>.qm, Debian's
# qt6-translations-l10n) and compiles its bytes into <target> as the constant
# `platform::display::kQtTranslation` (platform/DisplayLanguage.h), so that Qt's file dialog,
# the edit menus of entries and text boxes and Qt's standard buttons speak the program's
# language whatever the machine has installed. The bytes are referred to by name: no static
# initialisation, nothing for the linker to drop. A missing file stops the configuration with
# the package to install, rather than building a program that silently speaks English.
#
# Run as a script (cmake -DINPUT=<file.qm> -DOUTPUT=<source.cpp> -P QtTranslation.cmake) it
# writes that source.

if(CMAKE_SCRIPT_MODE_FILE)
    if(NOT INPUT OR NOT OUTPUT)
        message(FATAL_ERROR "QtTranslation.cmake needs -DINPUT=... and -DOUTPUT=...")
    endif()
    if(NOT EXISTS "${INPUT}" OR IS_DIRECTORY "${INPUT}")
        message(FATAL_ERROR "Qt translation ${INPUT} is missing: install qt6-translations-l10n")
    endif()
    file(READ "${INPUT}" hex HEX)
    if(hex STREQUAL "")
        message(FATAL_ERROR "Qt translation ${INPUT} is empty")
    endif()
    # Sixteen bytes a line, each as 0xNN.
    string(REPEAT "[0-9a-f]" 32 line)
    string(REGEX REPLACE "(${line})" "\\1\n    " hex "${hex}")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
    string(REGEX REPLACE "[ \n]+$" "" hex "${hex}")
    file(WRITE "${OUTPUT}"
         "// Generated from ${INPUT} by cmake/QtTranslation.cmake. Do not edit.\n"
         "#include <platform/DisplayLanguage.h>\n\n"
         "namespace platform::display {\n\n"
         "namespace {\n\n"
         "alignas(8) constexpr unsigned char kBytes[] = {\n    ${hex}\n};\n\n"
         "} // namespace\n\n"
         "const std::span<const unsigned char> kQtTranslation { kBytes };\n\n"
         "} // namespace platform::display\n")
    return()
endif()

function(varn_embed_qt_translation target language)
    set(directories)
    if(QT6_INSTALL_PREFIX AND QT6_INSTALL_TRANSLATIONS)
        list(APPEND directories "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS}")
    endif()
    list(APPEND directories /usr/share/qt6/translations)
    find_file(VARN_QT_TRANSLATION_${language} qtbase_${language}.qm
              PATHS ${directories} NO_DEFAULT_PATH
              DOC "Qt's translation of its base module the program carries")
    if(NOT VARN_QT_TRANSLATION_${language})
        unset(VARN_QT_TRANSLATION_${language} CACHE) # look again at the next configuration
        list(JOIN directories ", " searched)
        message(FATAL_ERROR "qtbase_${language}.qm is not in ${searched}: install the Debian "
                            "package qt6-translations-l10n (./dev installs it)")
    endif()
    set(input ${VARN_QT_TRANSLATION_${language}})
    set(source ${CMAKE_CURRENT_BINARY_DIR}/QtTranslation_${language}.cpp)
    add_custom_command(
        OUTPUT ${source}
        COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${source}
                -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
        DEPENDS ${input} ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
        COMMENT "Embedding Qt's translation ${input}"
        VERBATIM)
    target_sources(${target} PRIVATE ${source})
endfunction()
