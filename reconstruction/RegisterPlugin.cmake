# voxmill_register_plugin(<target>): after every build of the plug-in module
# <target>, register it in the registry the program uses, so that a fresh
# checkout's `make run` finds it without a manual step.
#
# The registry is the one voxmill-cli would use: $VOXMILL_REGISTRY in the
# build's environment, else $XDG_CONFIG_HOME/voxmill/registry.ini, else
# ~/.config/voxmill/registry.ini. VOXMILL_PLUGIN_REGISTRY (cache) names
# another one for this build tree. A failed registration warns and leaves
# the build standing: the module itself is fine.
option(VOXMILL_REGISTER_PLUGINS "Register built renderer plug-ins in the user's registry" ON)
set(VOXMILL_PLUGIN_REGISTRY "" CACHE STRING "Registry file the build registers plug-ins in (empty: the default)")

function(voxmill_register_plugin target)
  if(NOT VOXMILL_REGISTER_PLUGINS)
    return()
  endif()
  set(env "")
  if(VOXMILL_PLUGIN_REGISTRY)
    set(env ${CMAKE_COMMAND} -E env "VOXMILL_REGISTRY=${VOXMILL_PLUGIN_REGISTRY}")
  endif()
  add_dependencies(${target} voxmill-cli)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${env} sh -c "\"$1\" plugins register \"$2\" || echo \"warning: $2 was built but could not be registered\" >&2"
            sh $<TARGET_FILE:voxmill-cli> $<TARGET_FILE:${target}>
    COMMENT "Registering plug-in ${target}"
    VERBATIM)
endfunction()
