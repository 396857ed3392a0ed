# Fails naming every C++ source of src, tests, bench and fuzz that
# clang-format (with the repository's .clang-format) would change.
# The files are the ones git tracks when the tree is a git checkout, else
# every .cpp and .h of those folders. scripts/format.sh rewrites them.
# Run by ctest as:
#   cmake -DROOT=<source dir> -DCLANG_FORMAT=<clang-format> [-DGIT=<git>] -P CheckFormat.cmake
cmake_minimum_required(VERSION 3.22)
if(NOT CLANG_FORMAT)
  message(FATAL_ERROR "clang-format was not found: install the Debian package clang-format")
endif()

set(files "")
if(GIT AND EXISTS ${ROOT}/.git)
  execute_process(COMMAND ${GIT} ls-files -- "src/*.cpp" "src/*.h" "tests/*.cpp" "tests/*.h"
                          "bench/*.cpp" "bench/*.h" "fuzz/*.cpp" "fuzz/*.h"
                  WORKING_DIRECTORY ${ROOT} OUTPUT_VARIABLE listed RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "git ls-files failed in ${ROOT}")
  endif()
  string(REPLACE "\n" ";" listed "${listed}")
  foreach(f IN LISTS listed)
    if(f)
      list(APPEND files ${f})
    endif()
  endforeach()
else()
  foreach(d src tests bench fuzz)
    file(GLOB_RECURSE found RELATIVE ${ROOT} ${ROOT}/${d}/*.cpp ${ROOT}/${d}/*.h)
    list(APPEND files ${found})
  endforeach()
  list(SORT files)
endif()
list(LENGTH files count)
if(count EQUAL 0)
  message(FATAL_ERROR "No C++ source found under ${ROOT}")
endif()

# One run over all files; each difference is reported as
# "path:line:column: error: code should be clang-formatted".
execute_process(COMMAND ${CLANG_FORMAT} --dry-run -Werror ${files}
                WORKING_DIRECTORY ${ROOT} RESULT_VARIABLE rc ERROR_VARIABLE report
                OUTPUT_QUIET)
string(REGEX MATCHALL "[^\n]+:[0-9]+:[0-9]+: error:" hits "${report}")
set(differ "")
foreach(h IN LISTS hits)
  string(REGEX REPLACE ":[0-9]+:[0-9]+: error:$" "" f "${h}")
  list(APPEND differ ${f})
endforeach()
list(REMOVE_DUPLICATES differ)
list(LENGTH differ bad)
if(bad GREATER 0)
  list(JOIN differ "\n  " shown)
  message(FATAL_ERROR "${bad} of ${count} files differ from .clang-format "
                      "(scripts/format.sh rewrites them):\n  ${shown}")
elseif(NOT rc EQUAL 0)
  message(FATAL_ERROR "clang-format failed:\n${report}")
endif()
message(STATUS "${count} files match .clang-format")
