# Installs the build into a fresh prefix and checks that the programs, the
# desktop entry, its icon and the project file type are where a desktop
# looks for them, and that the installed entry is valid.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
foreach(f bin/brenvik bin/brenvik-batch share/applications/brenvik.desktop
          share/mime/packages/brenvik.xml share/icons/hicolor/scalable/apps/brenvik.svg)
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(READ ${PREFIX}/share/mime/packages/brenvik.xml mime)
if(NOT mime MATCHES "glob pattern=\"\\*\\.bvk\"" OR NOT mime MATCHES "application/x-brenvik-project")
  message(FATAL_ERROR "the project file type does not claim *.bvk")
endif()
if(VALIDATE)
  execute_process(COMMAND ${VALIDATE} ${PREFIX}/share/applications/brenvik.desktop
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate: ${out}")
  endif()
endif()
file(REMOVE_RECURSE ${PREFIX})
