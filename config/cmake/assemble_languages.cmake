# Lays out the data folders beside the executables:
#   DEST_DIR/default.json
#   DEST_DIR/Languages/<NN_Name>/base.json, images/*.svg, the application font and its licence
# Every language folder gets the one shared image set (Languages/common/images) plus its own
# images, if it has any. Inputs: SOURCE_DIR, DEST_DIR, FONT_FILE, FONT_NAME, FONT_LICENSES.

set(languages_out "${DEST_DIR}/Languages")
file(REMOVE_RECURSE "${languages_out}")
file(MAKE_DIRECTORY "${languages_out}")
file(COPY "${SOURCE_DIR}/default.json" DESTINATION "${DEST_DIR}")

file(GLOB entries LIST_DIRECTORIES true "${SOURCE_DIR}/Languages/*")
foreach(entry ${entries})
    if(NOT IS_DIRECTORY "${entry}" OR NOT EXISTS "${entry}/base.json")
        continue()
    endif()
    get_filename_component(name "${entry}" NAME)
    set(out "${languages_out}/${name}")
    file(MAKE_DIRECTORY "${out}/images")
    file(COPY "${SOURCE_DIR}/Languages/common/images/" DESTINATION "${out}/images")
    file(COPY "${entry}/" DESTINATION "${out}")
    if(FONT_FILE AND EXISTS "${FONT_FILE}")
        configure_file("${FONT_FILE}" "${out}/${FONT_NAME}" COPYONLY)
        foreach(licence ${FONT_LICENSES})
            if(EXISTS "${licence}")
                get_filename_component(licence_name "${licence}" NAME)
                configure_file("${licence}" "${out}/FONT-${licence_name}.txt" COPYONLY)
            endif()
        endforeach()
    endif()
endforeach()
