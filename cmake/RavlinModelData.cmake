# Model data beside every built module.
#
# The trained model data comes with the source: the folder models/ (RAVLIN_MODEL_DIR), with its
# MANIFEST (builder version and options, each file's size and SHA-256). Nothing trains during a
# build; scripts/gen-models DIR regenerates the folder from the circuit equations on request, and
# scripts/check-models proves the folder is the builder's. The plug-in finds its files in
# "<module file>.dat/" (the module's full file name followed by ".dat"), so every module gets a
# link to that single folder after it is built; installed, a link to the one installed copy.
#
#   ravlin_attach_model_data(<target> [INSTALL_DESTINATION <dir>])
#
# <target>               a target whose file is the module the host loads (the VST2 .so, the .so
#                        inside the VST3 or LV2 bundle, the Standalone executable, the renderer).
# INSTALL_DESTINATION    folder, relative to the install prefix, that the module file is installed
#                        to; when given, `cmake --install` puts a link <dir>/<module file name>.dat
#                        beside it to the one installed copy of the model data.
#
# Installed, the model data lies once in ${RAVLIN_INSTALL_MODEL_DIR} (relative to the prefix,
# share/ravlin-preamp/models) and every module's "<module>.dat" is a relative link to it, so the
# installed tree can move as a whole (a package, a staging folder).
#
include_guard(GLOBAL)

set(RAVLIN_MODEL_DIR "${PROJECT_SOURCE_DIR}/models" CACHE PATH "Folder of the model data files (the committed models/)")
set(RAVLIN_INSTALL_MODEL_DIR "share/ravlin-preamp/models" CACHE INTERNAL "Installed model data, relative to the prefix")

# Installs the model data files (without the builder's stamp) once, into RAVLIN_INSTALL_MODEL_DIR.
function(ravlin_install_model_data)
  get_property(_done GLOBAL PROPERTY RAVLIN_MODEL_DATA_INSTALLED)
  if(_done)
    return()
  endif()
  set_property(GLOBAL PROPERTY RAVLIN_MODEL_DATA_INSTALLED TRUE)
  install(CODE "
    set(_src \"${RAVLIN_MODEL_DIR}\")
    # file(INSTALL) puts DESTDIR (set by package builds) in front of the destination itself.
    set(_dst \"\${CMAKE_INSTALL_PREFIX}/${RAVLIN_INSTALL_MODEL_DIR}\")
    if(NOT EXISTS \"\${_src}/ravlinpre_eh_b1_pca.dat\")
      message(FATAL_ERROR \"No model data in \${_src}: the folder models/ comes with the source\")
    endif()
    file(GLOB _files \"\${_src}/ravlinpre_*\")
    file(INSTALL \${_files} DESTINATION \"\${_dst}\")
  ")
endfunction()

# Installs the link "<dir>/<file name>.dat" -> the installed model data, relative to <dir>.
function(ravlin_install_model_link dir fileName)
  ravlin_install_model_data()
  file(RELATIVE_PATH _relative "/prefix/${dir}" "/prefix/${RAVLIN_INSTALL_MODEL_DIR}")
  install(CODE "
    set(_link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${dir}/${fileName}.dat\")
    file(REMOVE_RECURSE \"\${_link}\")
    file(CREATE_LINK \"${_relative}\" \"\${_link}\" SYMBOLIC)
    message(STATUS \"Installing: \${_link} -> ${_relative}\")
  ")
endfunction()

function(ravlin_attach_model_data target)
  cmake_parse_arguments(ARG "" "INSTALL_DESTINATION" "" ${ARGN})
  if(NOT TARGET ${target})
    message(FATAL_ERROR "ravlin_attach_model_data: no target ${target}")
  endif()
  # A link, not a copy: one generated folder serves every module of the build tree.
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory "${RAVLIN_MODEL_DIR}"
    COMMAND ${CMAKE_COMMAND} -E rm -rf "$<TARGET_FILE:${target}>.dat"
    COMMAND ${CMAKE_COMMAND} -E create_symlink "${RAVLIN_MODEL_DIR}" "$<TARGET_FILE:${target}>.dat"
    VERBATIM)
  if(ARG_INSTALL_DESTINATION)
    ravlin_install_model_link("${ARG_INSTALL_DESTINATION}" "$<TARGET_FILE_NAME:${target}>")
  endif()
endfunction()
