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

# Collects the .cpp files directly inside each folder of a list (not recursive), so a new
# file in a subsystem needs no edit here.
function(stowkeep_sources out)
  set(files "")
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.h")
    list(APPEND files ${found})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()
