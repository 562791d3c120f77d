# Helpers shared by the folders' CMake files. Sources are collected by folder so that adding a
# file to a subsystem needs no edit of a shared list.

# vorna_collect(OUT dir...) : every .cpp below the given folders (relative to the source root).
function(vorna_collect out)
  set(all)
  foreach(d ${ARGN})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${d}/*.cpp)
    list(APPEND all ${found})
  endforeach()
  list(SORT all)
  set(${out} ${all} PARENT_SCOPE)
endfunction()

# vorna_library(name STATIC|SHARED "sources") : a library, or an interface target while its
# folders hold no source yet, so that dependants link either way.
function(vorna_library name kind sources)
  if(sources)
    add_library(${name} ${kind} ${sources})
    set_property(TARGET ${name} PROPERTY VORNA_KIND real)
  else()
    add_library(${name} INTERFACE)
    set_property(TARGET ${name} PROPERTY VORNA_KIND interface)
  endif()
endfunction()

# vorna_link(name libs...) : links with the keyword that fits the target's kind.
function(vorna_link name)
  get_property(kind TARGET ${name} PROPERTY VORNA_KIND)
  if(kind STREQUAL "interface")
    target_link_libraries(${name} INTERFACE ${ARGN})
  else()
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
endfunction()
