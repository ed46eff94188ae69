# Shared build rules: warnings as errors on our own code, one static library
# per folder made of every source in it.

# Test, fuzz-replay and benchmark programs' own sources: -O0 in checked builds.
function(ostrevan_test_code target)
  if(OSTREVAN_CHECKED_BUILD)
    target_compile_options(${target} PRIVATE -O0)
  endif()
endfunction()

function(ostrevan_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12 reports -Wrestrict, -Wstringop-overflow and -Warray-bounds
    # inside libstdc++'s std::string at -O3 for ordinary string building
    # (known false positives of that release, fixed in GCC 13).
    target_compile_options(${target} PRIVATE -Wno-restrict -Wno-stringop-overflow -Wno-array-bounds)
  endif()
endfunction()

# ostrevan_library(NAME [DEPS lib...] [SYSTEM_LIBS lib...])
# Builds every .cpp/.c of the calling folder into a static library NAME.
# DEPS are our own lower libraries (public: their headers are part of ours);
# SYSTEM_LIBS are third-party libraries, linked privately so their headers
# stay invisible to every library above.
function(ostrevan_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;SYSTEM_LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_SYSTEM_LIBS})
  ostrevan_warnings(${name})
  set_property(GLOBAL APPEND PROPERTY OSTREVAN_LIBRARIES ${name})
endfunction()

# Every library made so far, highest layer first (static link order).
function(ostrevan_all_libraries out)
  get_property(libs GLOBAL PROPERTY OSTREVAN_LIBRARIES)
  list(REVERSE libs)
  set(${out} ${libs} PARENT_SCOPE)
endfunction()

# ostrevan_program(NAME SOURCES... [DEPS lib...])
function(ostrevan_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  ostrevan_warnings(${name})
endfunction()
