# Warnings, hardening and sanitizer flags shared by every target.

set(VELMORA_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
# GCC 12 at -O3 warns of overlapping copies inside std::string's own
# assignments and concatenations that cannot overlap (GCC bug 105651);
# the warning stays on for every other compiler and level.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  list(APPEND VELMORA_WARNINGS $<$<CONFIG:Release>:-Wno-restrict>)
endif()

# Cheap library checks in every build; fortification needs optimisation. A
# packager who sets _FORTIFY_SOURCE (Debian's dpkg-buildflags put it in
# CPPFLAGS, which debhelper hands to the compiler with CXXFLAGS) keeps theirs.
add_compile_definitions(_GLIBCXX_ASSERTIONS)
if(NOT CMAKE_BUILD_TYPE STREQUAL "Debug" AND NOT VELMORA_SANITIZE
   AND NOT "${CMAKE_CXX_FLAGS} $ENV{CPPFLAGS}" MATCHES "_FORTIFY_SOURCE")
  add_compile_options(-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=3)
endif()

if(VELMORA_FUZZ)
  # Coverage in every library the fuzz targets link, not only in the
  # harnesses: the fuzzer needs to see the branches of the code it tests.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(VELMORA_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(VELMORA_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(VELMORA_SANITIZE)
  message(FATAL_ERROR "VELMORA_SANITIZE must be 'address' or 'thread'")
endif()

# Core and command-line code build warning-free or not at all.
function(velmora_strict target)
  target_compile_options(${target} PRIVATE ${VELMORA_WARNINGS} -Werror)
endfunction()
