# Where an installed copy keeps its files. The programs go to bin/; everything the build lays out
# beside them (Languages/, default.json, firmware/, ...) goes to share/taviro-start/, which the
# programs find relative to their own folder, so an unpacked package works from any folder.
# On Windows a program keeps everything in its own folder, as the installer lays it out.
include(GNUInstallDirs)
if(WIN32)
    set(TAVIRO_INSTALL_BINDIR .)
    set(TAVIRO_INSTALL_DATADIR .)
    set(TAVIRO_DATA_FROM_BIN .)
else()
    set(TAVIRO_INSTALL_BINDIR ${CMAKE_INSTALL_BINDIR})
    set(TAVIRO_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/taviro-start)
    file(RELATIVE_PATH TAVIRO_DATA_FROM_BIN
        ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/taviro-start)
endif()

# The application font's file name in every language folder.
set(TAVIRO_FONT_NAME "ALS Schlange_slab_bld.otf")

# taviro_install_data(FILE|DIRECTORY <entry> [EXCLUDE <glob>...]): installs the file or folder
# <entry> (relative, e.g. "firmware/linux") that the build lays out beside the programs into the
# same place under the data folder. A folder added beside the programs needs this one line to
# reach the package; the programs find it through ShippedData::folderHolding.
function(taviro_install_data kind entry)
    cmake_parse_arguments(ARG "" "" "EXCLUDE" ${ARGN})
    set(source ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${entry})
    get_filename_component(parent ${entry} DIRECTORY)
    set(destination ${TAVIRO_INSTALL_DATADIR})
    if(parent)
        string(APPEND destination /${parent})
    endif()
    if(kind STREQUAL "FILE")
        install(FILES ${source} DESTINATION ${destination})
    elseif(kind STREQUAL "DIRECTORY")
        set(excludes)
        foreach(pattern ${ARG_EXCLUDE})
            list(APPEND excludes PATTERN ${pattern} EXCLUDE)
        endforeach()
        install(DIRECTORY ${source} DESTINATION ${destination} USE_SOURCE_PERMISSIONS ${excludes})
    else()
        message(FATAL_ERROR "taviro_install_data: FILE or DIRECTORY, not ${kind}")
    endif()
endfunction()
