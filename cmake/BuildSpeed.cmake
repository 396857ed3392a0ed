# What keeps a cold build short on a small machine: each target's sources
# compiled a few at a time in combined units. It changes how the program is
# compiled, never what it does.
#
# Precompiled headers are off by default: with GoogleTest's (or Qt's)
# headers forced into every unit, GCC 12 at -O3 inlines std::string's copies
# differently and reports false -Warray-bounds and -Wstringop-overflow
# errors in tests that build cleanly without them; with the combined units
# they would save little.
option(BRENVIK_UNITY_BUILD "Compile each target's sources in a few combined units" ON)
option(BRENVIK_PCH "Precompile GoogleTest's headers for the test programs" OFF)
# Files per combined unit: large enough to share the headers, small enough
# that a target still keeps both cores busy.
set(BRENVIK_UNITY_BATCH 8 CACHE STRING "Source files per combined unit")

if(BRENVIK_UNITY_BUILD)
  set(CMAKE_UNITY_BUILD ON)
  set(CMAKE_UNITY_BUILD_BATCH_SIZE ${BRENVIK_UNITY_BATCH})
endif()

# The compiler cache takes a precompiled header, and a source compiled with
# one, only with these allowances; without them every such file is compiled
# uncached. With them a fresh clone takes the headers from the cache too.
if(BRENVIK_PCH AND CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache")
  set(CMAKE_CXX_COMPILER_LAUNCHER env CCACHE_SLOPPINESS=pch_defines,time_macros
      ${CMAKE_CXX_COMPILER_LAUNCHER})
endif()

function(brenvik_precompile target)
  if(BRENVIK_PCH)
    target_precompile_headers(${target} PRIVATE ${ARGN})
  endif()
endfunction()

# GoogleTest and gmock, the bulk of every test file's headers.
function(brenvik_precompile_gtest target)
  brenvik_precompile(${target} <gtest/gtest.h> <gmock/gmock.h>)
endfunction()

# A source with a file-local name (in an anonymous namespace, static, or a
# macro) that another source of its target also defines is compiled as a unit
# of its own. Call from the folder that adds the target; paths are relative
# to it. A "redefinition" or "ambiguous" error in a Unity/unity_*.cxx names
# the next file to list here.
function(brenvik_compile_alone)
  set_source_files_properties(${ARGN} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
endfunction()
