# The link check: libraries and programs that are not windows must not link Qt Gui
# or Widgets, directly or through anything they link. Static libraries have no
# dynamic section to read, so the check walks CMake's link libraries instead: at the
# end of the configuration it writes every offending link chain to
# widget-free-links.txt, and the test widget_free_links fails when the file is not empty.

set(ORBISEL_WIDGET_FREE_TARGETS
  orbisel_web orbisel_json orbisel_core orbisel_core_base orbisel_core_inputs orbisel_core_marketplace
  orbisel_core_store orbisel_core_files orbisel_core_engine orbisel_core_insight orbisel_core_tables orbisel_core_runs
  orbisel_service_client orbisel_ledger_file orbisel_mining_lists
  orbisel_cli orbisel-mine
  fuzz_json_document fuzz_ledger_file fuzz_cookie_file fuzz_keyword_list fuzz_marketplace_answers
  orbisel_core_analytics fuzz_analytics_xlsx fuzz_analytics_csv
  orbisel_core_competition fuzz_competition_page)
set(ORBISEL_WIDGET_FREE_REPORT ${CMAKE_BINARY_DIR}/tests/widget-free-links.txt)

# Every name in an entry of a link list counts, also inside $<LINK_ONLY:...> and
# other expressions: the walk may see too much, never too little.
function(orbisel_linked_names target out)
  set(names "")
  if(TARGET ${target})
    get_target_property(aliased ${target} ALIASED_TARGET)
    if(aliased)
      set(target ${aliased})
    endif()
    foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
      get_target_property(entries ${target} ${property})
      if(entries)
        foreach(entry IN LISTS entries)
          string(REGEX MATCHALL "[A-Za-z0-9_.+/-]+(::[A-Za-z0-9_.+-]+)*" found "${entry}")
          list(APPEND names ${found})
        endforeach()
      endif()
    endforeach()
  endif()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

# The link chains from the target to a Qt Gui or Widgets library, one line each.
function(orbisel_widget_chains target out)
  set(chains "")
  set(seen ${target})
  set(queue ${target})
  string(MAKE_C_IDENTIFIER "${target}" key)
  set(chain_${key} ${target})
  while(queue)
    list(POP_FRONT queue current)
    string(MAKE_C_IDENTIFIER "${current}" key)
    set(current_chain "${chain_${key}}")
    orbisel_linked_names(${current} names)
    foreach(name IN LISTS names)
      if(name IN_LIST seen)
        continue()
      endif()
      list(APPEND seen ${name})
      string(MAKE_C_IDENTIFIER "${name}" name_key)
      set(chain_${name_key} "${current_chain} -> ${name}")
      if(name MATCHES "Qt6?::(Gui|Widgets)|Qt6?(Gui|Widgets)")
        list(APPEND chains "${target} links Qt Gui or Widgets: ${chain_${name_key}}")
      endif()
      list(APPEND queue ${name})
    endforeach()
  endwhile()
  set(${out} ${chains} PARENT_SCOPE)
endfunction()

function(orbisel_write_widget_free_report file)
  set(report "")
  foreach(target IN LISTS ARGN)
    if(NOT TARGET ${target})
      string(APPEND report "${target} is no target: the link check cannot see it\n")
      continue()
    endif()
    orbisel_widget_chains(${target} chains)
    foreach(chain IN LISTS chains)
      string(APPEND report "${chain}\n")
    endforeach()
  endforeach()
  file(WRITE ${file} "${report}")
endfunction()

# After every directory has added its link libraries; the arguments are taken now.
cmake_language(EVAL CODE "cmake_language(DEFER DIRECTORY [[${CMAKE_SOURCE_DIR}]]
  CALL orbisel_write_widget_free_report [[${ORBISEL_WIDGET_FREE_REPORT}]] ${ORBISEL_WIDGET_FREE_TARGETS})")
add_test(NAME widget_free_links COMMAND sh -c "test -f \"$0\" && ! grep . \"$0\"" ${ORBISEL_WIDGET_FREE_REPORT})

# The direction of core/: each library of tests/CoreLayers.cmake links only the core libraries it
# may use (directly; what those link comes with them). Every offending link goes to
# core-layer-links.txt, and the test core_layer_links fails when the file is not empty. The test
# core_layer_includes checks the includes of the same folders against the same table.
set(ORBISEL_CORE_LAYER_REPORT ${CMAKE_BINARY_DIR}/tests/core-layer-links.txt)

function(orbisel_write_core_layer_report file layers)
  include(${layers})
  set(report "")
  foreach(folder IN LISTS ORBISEL_LAYER_FOLDERS)
    string(REPLACE "/" "_" key "${folder}")
    foreach(target IN LISTS ORBISEL_LAYER_TARGETS_${key})
      if(NOT TARGET ${target})
        string(APPEND report "${target} is no target: the layer check cannot see it\n")
        continue()
      endif()
      orbisel_linked_names(${target} names)
      list(REMOVE_DUPLICATES names)
      foreach(name IN LISTS names)
        if(name STREQUAL "orbisel_core")
          string(APPEND report "${target} links all of the core (orbisel_core)\n")
        elseif(name MATCHES "^orbisel_core_(.+)$")
          set(library ${CMAKE_MATCH_1})
          if(NOT "orbisel_core_${library}" STREQUAL target AND NOT library IN_LIST ORBISEL_LAYER_USES_${key})
            string(APPEND report "${target} links ${name}, but ${folder} may not use core/${library}\n")
          endif()
        endif()
      endforeach()
    endforeach()
  endforeach()
  file(WRITE ${file} "${report}")
endfunction()

cmake_language(EVAL CODE "cmake_language(DEFER DIRECTORY [[${CMAKE_SOURCE_DIR}]]
  CALL orbisel_write_core_layer_report [[${ORBISEL_CORE_LAYER_REPORT}]] [[${CMAKE_CURRENT_LIST_DIR}/CoreLayers.cmake]])")
add_test(NAME core_layer_links COMMAND sh -c "test -f \"$0\" && ! grep . \"$0\"" ${ORBISEL_CORE_LAYER_REPORT})
add_test(NAME core_layer_includes
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -P ${CMAKE_CURRENT_SOURCE_DIR}/CoreLayerIncludes.cmake)
