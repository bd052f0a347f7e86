# The link check: libraries and programs that are not windows must not link Qt Gui
# or Widgets, directly or through anything they link. Static libraries have no
# dynamic section to read, so the check walks CMake's link libraries instead: at the
# end of the configuration it writes every offending link chain to
# widget-free-links.txt, and the test widget_free_links fails when the file is not empty.

set(ORBISEL_WIDGET_FREE_TARGETS
  orbisel_web orbisel_json orbisel_core orbisel_service_client orbisel_ledger_file orbisel_mining_lists
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
