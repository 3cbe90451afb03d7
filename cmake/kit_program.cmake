# kit_program(NAME SOURCE LIBRARY): one of the kit's programs, a windowed executable
# from its start-up source, its resource script resources/<name>/<name>.rc and the
# library that holds its window.
function(kit_program name source library)
  string(TOLOWER "${name}" folder)
  set(script "${PROJECT_SOURCE_DIR}/resources/${folder}/${folder}.rc")
  add_executable(${name} WIN32 ${source} "${script}")
  target_link_libraries(${name} PRIVATE ${library})
  set_property(SOURCE "${script}" APPEND PROPERTY INCLUDE_DIRECTORIES
               "${PROJECT_SOURCE_DIR}/resources/${folder}" "${PROJECT_SOURCE_DIR}/resources/common")
  # The manifest goes in as a resource, not an #include, so the build would not see it change.
  set_property(SOURCE "${script}" APPEND PROPERTY OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/resources/common/app.manifest")
  if(MSVC)
    # The script carries the manifest; the linker must not add one of its own.
    target_link_options(${name} PRIVATE /MANIFEST:NO)
  endif()
endfunction()
