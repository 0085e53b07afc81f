# zorbel_standin_resources(<target> <script.rc>)
#
# Gives a native (stand-in) build of <target> the resources of a Windows
# resource script: icon groups and accelerator tables, generated into a
# source that registers them, so that LoadIconA and LoadAcceleratorsA find
# them by the same identifiers as on Windows.
function(zorbel_standin_resources target script)
  get_filename_component(script_path "${script}" ABSOLUTE)
  set(generated "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp")
  add_custom_command(
    OUTPUT "${generated}"
    COMMAND zorbel_rc2cpp "${script_path}" "${generated}" "${generated}.d"
    DEPENDS zorbel_rc2cpp "${script_path}"
    DEPFILE "${generated}.d"
    COMMENT "Resources of ${target} from ${script}"
    VERBATIM)
  target_sources(${target} PRIVATE "${generated}")
  target_link_libraries(${target} PRIVATE zorbel_platform)
endfunction()
