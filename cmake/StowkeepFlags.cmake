# One interface target carries the warning flags and Qt safety defines for every target.
add_library(stowkeep_flags INTERFACE)
target_compile_options(stowkeep_flags INTERFACE
  -Wall -Wextra -Wnon-virtual-dtor -Wold-style-cast
  $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)
target_compile_definitions(stowkeep_flags INTERFACE
  QT_NO_CONTEXTLESS_CONNECT
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_KEYWORDS
  QT_USE_QSTRINGBUILDER)

option(STOWKEEP_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(STOWKEEP_SANITIZE)
  target_compile_options(stowkeep_flags INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(stowkeep_flags INTERFACE -fsanitize=address,undefined)
endif()

# Collects the sources under a folder and all its subfolders, leaving out the subfolders
# named after EXCLUDE (relative to the folder): a subsystem's windows (`ui`) and the engine
# inside `db` are libraries of their own. A new file or folder needs no edit here.
function(stowkeep_sources out dir)
  cmake_parse_arguments(ARG "" "" "EXCLUDE" ${ARGN})
  file(GLOB_RECURSE found CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.h")
  set(files "")
  foreach(f IN LISTS found)
    file(RELATIVE_PATH rel "${CMAKE_CURRENT_SOURCE_DIR}/${dir}" "${f}")
    set(keep TRUE)
    foreach(ex IN LISTS ARG_EXCLUDE)
      if(rel MATCHES "^${ex}/")
        set(keep FALSE)
      endif()
    endforeach()
    if(keep)
      list(APPEND files "${f}")
    endif()
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# One library per layer or subsystem, linking only the layers below it (DEPENDS). A folder
# with no sources yet still gives a target, so the layers above can name it.
function(stowkeep_layer name dir)
  cmake_parse_arguments(ARG "" "" "EXCLUDE;DEPENDS" ${ARGN})
  stowkeep_sources(srcs ${dir} EXCLUDE ${ARG_EXCLUDE})
  list(FILTER srcs INCLUDE REGEX "\\.cpp$")
  if(srcs)
    stowkeep_sources(all ${dir} EXCLUDE ${ARG_EXCLUDE})
    add_library(${name} STATIC ${all})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS} stowkeep_flags)
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARG_DEPENDS})
  endif()
endfunction()
