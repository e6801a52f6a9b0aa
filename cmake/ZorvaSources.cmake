# Each layer is a static library made of every source below its folders.
# New files are picked up on the next build without editing this file.
# Files named main.cpp belong to executables and are left out.
#
# Widget code lives apart from the logic: a file belongs to the widget library
# (zorva_widgets) when its name ends in View, Widget, Label, Tray, Presenter or
# Export (before .h/.cpp), or when it lies below a folder named widgets/ or
# tray/ (our StatusNotifierItem and dbusmenu exporter, which draw the icons).
# Every other file belongs to its layer, and the layers link no Qt Widgets. The
# exceptions are named below: the status item's default platform, which hands
# the tray to the controller, and its default windows (alerts and the update
# window).
set(ZORVA_WIDGET_FILE_REGEX
    "(View|Widget|Label|Tray|Presenter|Export)\\.(h|cpp)$|/(widgets|tray)/|/HVStatus(Platform|Windows)Default\\.(h|cpp)$")

# The layer's files below the given folders; WIDGETS selects the widget files
# instead of the logic files.
function(zorva_layer_sources out widgets)
    set(sources "")
    foreach(dir IN LISTS ARGN)
        file(GLOB_RECURSE found CONFIGURE_DEPENDS
             "${PROJECT_SOURCE_DIR}/${dir}/*.cpp" "${PROJECT_SOURCE_DIR}/${dir}/*.h")
        list(FILTER found EXCLUDE REGEX "/main\\.cpp$")
        if(widgets)
            list(FILTER found INCLUDE REGEX "${ZORVA_WIDGET_FILE_REGEX}")
        else()
            list(FILTER found EXCLUDE REGEX "${ZORVA_WIDGET_FILE_REGEX}")
        endif()
        list(APPEND sources ${found})
    endforeach()
    set(${out} "${sources}" PARENT_SCOPE)
endfunction()

function(zorva_add_library target)
    set(sources ${ARGN})
    if(NOT sources)
        set(stub "${CMAKE_BINARY_DIR}/${target}_empty.cpp")
        file(WRITE "${stub}" "// no sources yet\n")
        list(APPEND sources "${stub}")
    endif()
    add_library(${target} STATIC ${sources})
    # Moc must look at the layer's files again when the glob finds a new one (a new
    # Q_OBJECT header would otherwise stay unseen in an existing build tree): the
    # autogen stamp is dropped whenever the list of files changes.
    list(JOIN sources "\n" listing)
    set(list_file "${CMAKE_BINARY_DIR}/${target}_sources.txt")
    set(previous "")
    if(EXISTS "${list_file}")
        file(READ "${list_file}" previous)
    endif()
    if(NOT previous STREQUAL listing)
        file(REMOVE "${CMAKE_BINARY_DIR}/${target}_autogen/timestamp")
        file(WRITE "${list_file}" "${listing}")
    endif()
    # Headers are included by path from the source root, e.g.
    #   #include "ZorvaUIProject/Common/HVDevice.h"
    target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}")
    set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

# A logic layer: the folders' files that are not widget code.
function(zorva_add_layer target)
    zorva_layer_sources(sources FALSE ${ARGN})
    zorva_add_library(${target} ${sources})
endfunction()

# The widget library: the widget code found below the given folders.
function(zorva_add_widget_library target)
    zorva_layer_sources(sources TRUE ${ARGN})
    zorva_add_library(${target} ${sources})
endfunction()
