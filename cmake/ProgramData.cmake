# The program's read-only files. The sounds (scripts/make-sounds.py) and the German manual
# (docs/handbuch, scripts/make-handbuch.py) are made at build time beside the program in the
# build tree, so that a program started from there finds them; `install` puts them with the
# example competition into the data folder, where the installed program looks for them
# (settings/ProgramFiles.h).
set(BRV_PROGRAM_BUILD_DIR ${PROJECT_BINARY_DIR}/src/app)
set(BRV_MANUAL_DIR ${BRV_PROGRAM_BUILD_DIR}/handbuch)
set(BRV_DATA_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/brenvolutaris)

find_package(Python3 REQUIRED COMPONENTS Interpreter)

# The manual needs Debian's python3-markdown. The interpreter first on the path may be another
# one without it (a version manager's), so Debian's own is tried after it.
if(NOT BRV_MANUAL_PYTHON)
    foreach(candidate ${Python3_EXECUTABLE} /usr/bin/python3)
        execute_process(COMMAND ${candidate} -c "import markdown"
                        RESULT_VARIABLE markdown_missing OUTPUT_QUIET ERROR_QUIET)
        if(markdown_missing EQUAL 0)
            set(BRV_MANUAL_PYTHON ${candidate} CACHE FILEPATH "Python interpreter with the markdown module")
            break()
        endif()
    endforeach()
    if(NOT BRV_MANUAL_PYTHON)
        message(FATAL_ERROR "The manual is built with python3-markdown: ./scripts/install-deps.sh installs it")
    endif()
endif()

set(BRV_SOUND_FILES)
foreach(sound Audio-Start Audio-Achtung Audio-Fehlstart Audio-Stopp)
    list(APPEND BRV_SOUND_FILES ${BRV_PROGRAM_BUILD_DIR}/${sound}.wav)
endforeach()
add_custom_command(OUTPUT ${BRV_SOUND_FILES}
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/make-sounds.py ${BRV_PROGRAM_BUILD_DIR}
    DEPENDS ${PROJECT_SOURCE_DIR}/scripts/make-sounds.py
    COMMENT "Making the sounds"
    VERBATIM)
add_custom_target(sounds ALL DEPENDS ${BRV_SOUND_FILES})

file(GLOB BRV_MANUAL_SOURCES CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/docs/handbuch/*.md ${PROJECT_SOURCE_DIR}/docs/handbuch/bilder/*)
add_custom_command(OUTPUT ${BRV_MANUAL_DIR}/index.html
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${BRV_MANUAL_DIR}
    COMMAND ${BRV_MANUAL_PYTHON} ${PROJECT_SOURCE_DIR}/scripts/make-handbuch.py
            ${PROJECT_SOURCE_DIR}/docs/handbuch ${BRV_MANUAL_DIR}
    DEPENDS ${PROJECT_SOURCE_DIR}/scripts/make-handbuch.py ${BRV_MANUAL_SOURCES}
    COMMENT "Making the manual"
    VERBATIM)
add_custom_target(handbuch ALL DEPENDS ${BRV_MANUAL_DIR}/index.html)

# a program built alone (scripts/run.sh) has its sounds and manual too
add_dependencies(brenvolutaris sounds handbuch)

install(TARGETS brenvolutaris RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${BRV_SOUND_FILES} ${PROJECT_SOURCE_DIR}/examples/Beispiel-Wettkampf.xlsx
        DESTINATION ${BRV_DATA_INSTALL_DIR})
install(DIRECTORY ${BRV_MANUAL_DIR} DESTINATION ${BRV_DATA_INSTALL_DIR})
if(EXISTS ${PROJECT_SOURCE_DIR}/examples/Protokollvorlage.doc)
    install(FILES ${PROJECT_SOURCE_DIR}/examples/Protokollvorlage.doc DESTINATION ${BRV_DATA_INSTALL_DIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${BRV_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${BRV_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/src/app/resources/brenvolutaris.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${BRV_APP_ID}.svg)
