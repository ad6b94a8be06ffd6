# Where a cross-built Windows program's DLLs come from: Qt for mingw (its DLLs and plugins) and
# the C++ runtime of the mingw compilers, which Qt's DLLs load too.
get_target_property(qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(TAVIRO_QT_BIN_DIR "${qt_core_dll}" DIRECTORY)
get_filename_component(TAVIRO_QT_PREFIX "${TAVIRO_QT_BIN_DIR}" DIRECTORY)
set(TAVIRO_QT_PLUGIN_DIR ${TAVIRO_QT_PREFIX}/plugins)

set(TAVIRO_MINGW_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${dll} is")
    endif()
    list(APPEND TAVIRO_MINGW_RUNTIME_DLLS ${path})
endforeach()
list(GET TAVIRO_MINGW_RUNTIME_DLLS 0 runtime_dll)
get_filename_component(TAVIRO_MINGW_RUNTIME_DIR "${runtime_dll}" DIRECTORY)

# What the MSI carries besides the install folder: the programs' icon and the installer's close
# helper (tools/windows/build.sh hands them to packaging/windows/make-wxs.py).
set(TAVIRO_MSI_PARTS_DIR ${CMAKE_BINARY_DIR}/msi)
