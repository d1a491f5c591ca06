# Build time. Most of a build is g++ parsing the same large headers again for every file:
# <qcustomplot.h> brings in the whole of Qt Widgets and Print Support (about 5 s of one core per
# file), <gtest/gtest.h> about 1 s. So each side gets one precompiled header, built once and
# reused by every target of that side; every library and program of several files is compiled as
# unity builds of a few files each (the window tests are one such program), and the test programs
# link with lld. docs/performance.md has the figures.
#
# Included at the end of the top-level list, it looks at every target the folders defined, so a
# target added the usual way (add_executable, target_link_libraries, kestrom_warnings) gets all of
# this without a line of its own.

option(KESTROM_PCH "Share precompiled headers between targets (g++ or clang)" ON)
option(KESTROM_UNITY "Compile targets of several files as unity builds" ON)
option(KESTROM_LLD "Link with lld where the compiler accepts it" OFF)

# Every build-system target of a folder and its subfolders.
function(kestrom_targets_below dir out)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(sub IN LISTS subdirs)
        kestrom_targets_below(${sub} sub_targets)
        list(APPEND targets ${sub_targets})
    endforeach()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Whether target links lib, directly or through the libraries it links.
function(kestrom_links target lib out)
    set(seen)
    set(queue ${target})
    set(found FALSE)
    while(queue)
        list(POP_FRONT queue current)
        if(current IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${current})
        if(current STREQUAL lib AND NOT current STREQUAL target)
            set(found TRUE)
            break()
        endif()
        if(NOT TARGET ${current})
            continue()
        endif()
        get_target_property(imported ${current} IMPORTED)
        if(imported AND NOT current STREQUAL lib)
            get_target_property(links ${current} INTERFACE_LINK_LIBRARIES)
        elseif(current STREQUAL target)
            get_target_property(links ${current} LINK_LIBRARIES)
        else()
            get_target_property(links ${current} INTERFACE_LINK_LIBRARIES)
        endif()
        foreach(link IN LISTS links)
            # Generator expressions and link flags name no target to follow.
            if(TARGET ${link})
                list(APPEND queue ${link})
            endif()
        endforeach()
    endwhile()
    set(${out} ${found} PARENT_SCOPE)
endfunction()

# Whether moc has work in target (out): a source, or the header beside it, declares a Qt class.
# Only those targets run moc, so no other target compiles an empty moc file against the large
# header. in_header tells whether a header does: if only sources do, their moc output is
# included by the sources themselves and the target's moc file stays empty.
function(kestrom_has_qt_classes target out in_header)
    get_target_property(sources ${target} SOURCES)
    get_target_property(source_dir ${target} SOURCE_DIR)
    set(found OFF)
    set(found_in_header OFF)
    foreach(source IN LISTS sources)
        if(NOT IS_ABSOLUTE ${source})
            set(source ${source_dir}/${source})
        endif()
        string(REGEX REPLACE "\\.cpp$" ".h" header ${source})
        foreach(file IN LISTS source header)
            if(EXISTS ${file})
                file(STRINGS ${file} qt_classes REGEX "Q_OBJECT|Q_GADGET")
                if(qt_classes)
                    set(found ON)
                    if(file MATCHES "\\.h$")
                        set(found_in_header ON)
                    endif()
                endif()
            endif()
        endforeach()
    endforeach()
    set(${out} ${found} PARENT_SCOPE)
    set(${in_header} ${found_in_header} PARENT_SCOPE)
endfunction()

kestrom_targets_below(${PROJECT_SOURCE_DIR} kestrom_all_targets)

# The window side: the library that draws the chart hosts the header; everything that links it
# (the window programs, the report command, the window tests and tools) reuses it. Those targets
# add compile definitions of their own (Qt Test's, data folders) but none the header depends on,
# so g++ accepts the one header for all of them. Qt Test stays out: its headers define functions
# that programs without the Qt Test library could not link.
if(KESTROM_PCH AND TARGET kestrom_ui)
    target_precompile_headers(kestrom_ui PRIVATE
        <qcustomplot.h> <QtWidgets/QtWidgets>
        <algorithm> <functional> <memory> <optional> <string> <vector>)
endif()

# The GoogleTest side: a small host of its own with no definitions, as every test program adds
# different ones.
if(KESTROM_PCH AND TARGET GTest::gtest)
    set(host_source ${PROJECT_BINARY_DIR}/kestrom_gtest_pch.cpp)
    if(NOT EXISTS ${host_source})
        file(WRITE ${host_source} "// Only hosts the GoogleTest precompiled header.\n")
    endif()
    add_library(kestrom_gtest_pch OBJECT ${host_source})
    target_link_libraries(kestrom_gtest_pch PRIVATE GTest::gtest)
    kestrom_warnings(kestrom_gtest_pch)
    target_precompile_headers(kestrom_gtest_pch PRIVATE
        <gtest/gtest.h> <algorithm> <array> <cstdint> <filesystem> <fstream> <functional>
        <memory> <optional> <sstream> <string> <vector>)
endif()

foreach(target IN LISTS kestrom_all_targets)
    get_target_property(type ${target} TYPE)
    if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|OBJECT_LIBRARY)$"
       OR target STREQUAL "kestrom_gtest_pch")
        continue()
    endif()
    kestrom_links(${target} Qt6::Core qt_side)
    if(qt_side)
        kestrom_has_qt_classes(${target} moc_needed moc_in_header)
        set_target_properties(${target} PROPERTIES AUTOMOC ${moc_needed})
        if(moc_needed AND NOT moc_in_header)
            get_target_property(binary_dir ${target} BINARY_DIR)
            set_source_files_properties(${binary_dir}/${target}_autogen/mocs_compilation.cpp
                TARGET_DIRECTORY ${target} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
        endif()
    endif()
    get_target_property(sources ${target} SOURCES)
    list(FILTER sources INCLUDE REGEX "\\.cpp$")
    list(LENGTH sources source_count)
    if(KESTROM_UNITY AND source_count GREATER 1)
        set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
    endif()
    if(NOT KESTROM_PCH OR target STREQUAL "kestrom_ui")
        continue()
    endif()
    kestrom_links(${target} kestrom_ui window_side)
    if(window_side)
        target_precompile_headers(${target} REUSE_FROM kestrom_ui)
        continue()
    endif()
    if(TARGET kestrom_gtest_pch)
        kestrom_links(${target} GTest::gtest gtest_side)
        kestrom_links(${target} GTest::gtest_main gtest_main_side)
        if((gtest_side OR gtest_main_side) AND NOT qt_side)
            target_precompile_headers(${target} REUSE_FROM kestrom_gtest_pch)
        endif()
    endif()
endforeach()

# The linker: lld links the many test programs, each with the whole of its libraries' debug
# information, in a fraction of the time of the default one.
if(KESTROM_LLD)
    include(CheckLinkerFlag)
    check_linker_flag(CXX -fuse-ld=lld KESTROM_HAS_LLD)
    if(KESTROM_HAS_LLD)
        foreach(target IN LISTS kestrom_all_targets)
            get_target_property(type ${target} TYPE)
            if(type STREQUAL "EXECUTABLE")
                target_link_options(${target} PRIVATE -fuse-ld=lld)
            endif()
        endforeach()
    else()
        message(STATUS "lld not found: linking with the default linker (scripts/install-deps)")
    endif()
endif()
