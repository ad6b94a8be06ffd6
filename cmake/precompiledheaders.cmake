# Most of the time a file takes to compile here goes to reading Qt's headers again. Two sets of
# them are precompiled once, and every target uses one of them:
#   core     Qt Core: the program's logic, the link, the simulator and their tests;
#   widgets  Qt Core, Gui and Widgets: the editor's folders and their tests.
# A set holds only Qt's own headers, which no -D option of ours changes, so one precompiled file
# serves targets that link other Qt modules too. GCC only: clang refuses a precompiled header
# made with other -D options (the fuzz build goes without). ccache needs
# "sloppiness = pch_defines,time_macros" to cache files built with them.
option(TAVIRO_PRECOMPILE_QT "Precompile Qt's headers once for all targets (GCC)" ON)

set(TAVIRO_PCH_CORE
    <QByteArray> <QDir> <QFile> <QHash> <QJsonArray> <QJsonDocument> <QJsonObject> <QList>
    <QLoggingCategory> <QMap> <QObject> <QPointer> <QString> <QStringList> <QTimer> <QVariant>)
set(TAVIRO_PCH_WIDGETS ${TAVIRO_PCH_CORE}
    <QAction> <QApplication> <QComboBox> <QEvent> <QFrame> <QGridLayout> <QHBoxLayout> <QIcon>
    <QKeyEvent> <QLabel> <QLineEdit> <QListWidget> <QMouseEvent> <QPainter> <QPixmap>
    <QPushButton> <QScrollArea> <QUndoStack> <QVBoxLayout> <QWidget>)

if(TAVIRO_PRECOMPILE_QT AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    set(source ${CMAKE_BINARY_DIR}/taviro_pch.cpp)
    if(NOT EXISTS ${source})
        file(WRITE ${source} "// Only here to carry the precompiled headers.\n")
    endif()
    foreach(kind core widgets)
        add_library(taviro_pch_${kind} STATIC EXCLUDE_FROM_ALL ${source})
        set_target_properties(taviro_pch_${kind} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
    endforeach()
    target_link_libraries(taviro_pch_core PRIVATE Qt6::Core)
    target_precompile_headers(taviro_pch_core PRIVATE ${TAVIRO_PCH_CORE})
    target_link_libraries(taviro_pch_widgets PRIVATE Qt6::Widgets)
    target_precompile_headers(taviro_pch_widgets PRIVATE ${TAVIRO_PCH_WIDGETS})
endif()

# taviro_precompile(KIND TARGET...): the targets use the precompiled set KIND (core or widgets).
function(taviro_precompile kind)
    if(NOT TARGET taviro_pch_${kind})
        return()
    endif()
    foreach(target ${ARGN})
        get_target_property(type ${target} TYPE)
        # A Windows GUI program gets Qt's entry point, whose -D options the sets lack.
        get_target_property(windowsGui ${target} WIN32_EXECUTABLE)
        if(windowsGui)
            continue()
        endif()
        if(type STREQUAL "STATIC_LIBRARY" OR type STREQUAL "EXECUTABLE")
            target_precompile_headers(${target} REUSE_FROM taviro_pch_${kind})
        endif()
    endforeach()
endfunction()
