# Places the flashing scripts (and whatever firmware files the kit maker dropped beside them) in
# bin/firmware, where the Bluetooth page looks for them next to the executable.
if(NOT TARGET taviro_firmware)
    add_custom_target(taviro_firmware ALL
        COMMAND ${CMAKE_COMMAND} -E copy_directory
                ${CMAKE_SOURCE_DIR}/firmware/linux ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/firmware/linux
        COMMAND ${CMAKE_COMMAND} -E copy_directory
                ${CMAKE_SOURCE_DIR}/firmware/windows
                ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/firmware/windows
        COMMENT "Copying the firmware folder beside the programs"
        VERBATIM)
endif()

# The firmware group lists the serial ports the script can be pointed at.
target_link_libraries(taviro_setup PUBLIC Qt6::SerialPort)
