# The libraries of core/ and the front ends over them, and which core libraries
# each may use: link directly and include from. A folder uses its own files
# freely; nothing else of core/ is allowed. Read by WidgetFreeLinks.cmake (the
# links) and CoreLayerIncludes.cmake (the includes).

set(ORBISEL_LAYER_FOLDERS
  core/base core/inputs core/marketplace core/store core/files core/engine core/insight core/tables core/runs
  core/analytics core/competition
  cli deepmining mining)

set(ORBISEL_LAYER_USES_core_base "")
set(ORBISEL_LAYER_USES_core_inputs base)
set(ORBISEL_LAYER_USES_core_marketplace base)
set(ORBISEL_LAYER_USES_core_store base)
set(ORBISEL_LAYER_USES_core_files base)
set(ORBISEL_LAYER_USES_core_engine base inputs marketplace store)
set(ORBISEL_LAYER_USES_core_insight base)
set(ORBISEL_LAYER_USES_core_tables base insight files)
# The readers of the marketplace's analytics exports and of a word's results page stand apart
# from the mining core.
set(ORBISEL_LAYER_USES_core_analytics base)
set(ORBISEL_LAYER_USES_core_competition base)
set(ORBISEL_LAYER_USES_core_runs base inputs marketplace store files engine insight tables)
# The front ends: never the engine or the store.
set(ORBISEL_LAYER_USES_cli base inputs marketplace files insight tables runs)
set(ORBISEL_LAYER_USES_deepmining base inputs marketplace files insight tables runs)
set(ORBISEL_LAYER_USES_mining base marketplace files)

# The targets built from each folder.
set(ORBISEL_LAYER_TARGETS_cli orbisel_cli)
set(ORBISEL_LAYER_TARGETS_deepmining orbisel_deepmining)
set(ORBISEL_LAYER_TARGETS_mining orbisel_mining orbisel_mining_lists)
foreach(folder IN LISTS ORBISEL_LAYER_FOLDERS)
  if(folder MATCHES "^core/(.+)$")
    set(ORBISEL_LAYER_TARGETS_core_${CMAKE_MATCH_1} orbisel_core_${CMAKE_MATCH_1})
  endif()
endforeach()
