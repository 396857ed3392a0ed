# Fails when a core module includes a Qt header or a header of the Qt
# programs, when a core module includes one above it (model < antenna < geo <
# calc < render < export < compliance < gis), or when the batch companion
# includes the application's headers. The output pipeline sits on top of
# the core.
# Run by ctest as: cmake -DSRC=<source dir>/src -P CheckLayering.cmake
set(core model antenna calc render export geo gis compliance tiles pipeline)
set(faults "")

function(scan dir forbidden what)
  file(GLOB_RECURSE files ${SRC}/${dir}/*.h ${SRC}/${dir}/*.cpp)
  foreach(f ${files})
    file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line ${lines})
      if(line MATCHES "${forbidden}")
        file(RELATIVE_PATH rel ${SRC} ${f})
        set(faults "${faults}\n  ${rel}: ${what}: ${line}")
      endif()
    endforeach()
  endforeach()
  set(faults "${faults}" PARENT_SCOPE)
endfunction()

foreach(m ${core})
  scan(${m} "[<\"](Q[A-Za-z]*|Qt[A-Za-z]*/.*)[>\"]" "a core module includes Qt")
  scan(${m} "[<\"](app|batch|qtsurface)/" "a core module includes a Qt program's header")
endforeach()
scan(batch "[<\"]app/" "the batch companion includes the application")
scan(tilescli "[<\"](Q[A-Za-z]*|Qt[A-Za-z]*/.*|app/|batch/|qtsurface/)" "the tile program includes Qt or a Qt program's header")

# Inside the core a module builds only on the modules below it in this order;
# an include of a module above it is an upward dependency.
set(order model antenna geo calc render export compliance gis pipeline)
list(LENGTH order count)
math(EXPR last "${count} - 1")
foreach(i RANGE 0 ${last})
  list(GET order ${i} m)
  math(EXPR next "${i} + 1")
  if(next LESS count)
    list(SUBLIST order ${next} -1 above)
    list(JOIN above "|" above)
    scan(${m} "[<\"](${above})/" "${m} includes a module above it")
  endif()
endforeach()

if(faults)
  message(FATAL_ERROR "Layering broken:${faults}")
endif()
