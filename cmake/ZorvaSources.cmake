# Each layer is a static library made of every source below its folders.
# New files are picked up on the next build without editing this file.
# Files named main.cpp belong to executables and are left out.
function(zorva_add_layer target)
    set(sources "")
    set(dirs "")
    foreach(dir IN LISTS ARGN)
        file(GLOB_RECURSE found CONFIGURE_DEPENDS
             "${PROJECT_SOURCE_DIR}/${dir}/*.cpp" "${PROJECT_SOURCE_DIR}/${dir}/*.h")
        list(FILTER found EXCLUDE REGEX "/main\\.cpp$")
        list(APPEND sources ${found})
        list(APPEND dirs "${PROJECT_SOURCE_DIR}/${dir}")
    endforeach()
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
