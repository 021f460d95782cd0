# Compiles the GResource bundle `xml` (file paths relative to its folder) into
# `target`; the bundle registers itself when the binary is loaded.
function(lumetra_add_resources target xml)
  find_program(GLIB_COMPILE_RESOURCES glib-compile-resources REQUIRED)
  get_filename_component(source_dir ${xml} DIRECTORY)
  get_filename_component(bundle ${xml} NAME_WE)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${bundle}_resources.c)
  execute_process(
    COMMAND ${GLIB_COMPILE_RESOURCES} --generate-dependencies --sourcedir=${source_dir} ${xml}
    OUTPUT_VARIABLE dependencies OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  string(REPLACE "\n" ";" dependencies "${dependencies}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${xml})
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${GLIB_COMPILE_RESOURCES} --generate-source --c-name=lumetra_${bundle}
            --sourcedir=${source_dir} --target=${output} ${xml}
    DEPENDS ${xml} ${dependencies}
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()
