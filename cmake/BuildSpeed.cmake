# Unity builds: each target's files compiled a few at a time as one unit, so
# that the headers they share are read and their templates instantiated once
# a batch, not once a file (about half the compile time of the window and
# framework libraries). Names private to a file must then differ within its
# target. LORVANE_UNITY=OFF, or CMAKE_UNITY_BUILD=OFF, compiles file by file.
option(LORVANE_UNITY "Compile each target's files a few at a time as one unit" ON)
if(LORVANE_UNITY AND NOT DEFINED CMAKE_UNITY_BUILD)
  set(CMAKE_UNITY_BUILD ON)
endif()

# Precompiled headers for every target of the tree, chosen from what the
# target can include: the standard library always, Qt's widgets where Qt's
# include folders reach it, QTest and GoogleTest where those do. Most of a
# translation unit's compile time is these headers, parsed again for each
# file; a target compiles them once.
#
# Applied after every folder is added, from the top-level CMakeLists, so that
# the folders' own files need not know of it. LORVANE_PCH=OFF (or CMake's
# CMAKE_DISABLE_PRECOMPILE_HEADERS) turns it off.

set(LORVANE_PCH_STD
  <algorithm> <array> <atomic> <chrono> <cstddef> <cstdint> <cstdio> <cstdlib>
  <cstring> <filesystem> <fstream> <functional> <map> <memory> <mutex>
  <optional> <set> <stdexcept> <string> <string_view> <thread> <utility>
  <vector>)
set(LORVANE_PCH_QT_WIDGETS
  <QtWidgets/QApplication> <QtWidgets/QWidget> <QtWidgets/QMenu> <QtWidgets/QMenuBar>
  <QtWidgets/QTreeView> <QtWidgets/QMessageBox> <QtCore/QTimer> <QtGui/QImage>
  <QtGui/QPainter>)
set(LORVANE_PCH_QT_TEST <QtTest/QTest>)
set(LORVANE_PCH_GTEST <gtest/gtest.h>)

# A target's own files below this count gain less from a header compiled
# once than that compile costs.
set(LORVANE_PCH_MIN_SOURCES 3)

# Every buildsystem target defined in `dir` and the folders below it.
function(lorvane_targets_below dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    lorvane_targets_below(${sub} below)
    list(APPEND targets ${below})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# The targets whose usage requirements (include folders) reach `target`:
# what it links, and what those pass on, not what they link privately.
# Aliases are not followed: Qt's and GoogleTest's names are matched as
# written.
function(lorvane_usage_closure target out)
  set(seen "")
  get_target_property(queue ${target} LINK_LIBRARIES)
  if(NOT queue)
    set(queue "")
  endif()
  while(queue)
    list(POP_FRONT queue item)
    if(item MATCHES "^\\$<LINK_ONLY:" OR item IN_LIST seen)
      continue()
    endif()
    # Imported targets found in a folder are seen there only: they count by
    # name.
    list(APPEND seen ${item})
    if(TARGET ${item})
      get_target_property(passed ${item} INTERFACE_LINK_LIBRARIES)
      if(passed)
        list(APPEND queue ${passed})
      endif()
    endif()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

function(lorvane_precompile_headers)
  if(NOT LORVANE_PCH OR CMAKE_DISABLE_PRECOMPILE_HEADERS)
    return()
  endif()
  lorvane_targets_below(${PROJECT_SOURCE_DIR} targets)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|OBJECT_LIBRARY)$")
      continue()
    endif()
    get_target_property(sources ${target} SOURCES)
    list(FILTER sources INCLUDE REGEX "\\.cpp$")
    list(LENGTH sources count)
    if(count LESS LORVANE_PCH_MIN_SOURCES)
      continue()
    endif()
    lorvane_usage_closure(${target} closure)
    set(headers ${LORVANE_PCH_STD})
    if(Qt6::Widgets IN_LIST closure OR Qt6Widgets IN_LIST closure)
      list(APPEND headers ${LORVANE_PCH_QT_WIDGETS})
    endif()
    if(Qt6::Test IN_LIST closure OR Qt6Test IN_LIST closure)
      list(APPEND headers ${LORVANE_PCH_QT_TEST})
    endif()
    if(GTest::gtest IN_LIST closure OR GTest::GTest IN_LIST closure)
      list(APPEND headers ${LORVANE_PCH_GTEST})
    endif()
    target_precompile_headers(${target} PRIVATE ${headers})
  endforeach()
endfunction()
