# The libraries' layers, checked at every configure: a library links only libraries of a
# lower layer, and its files include only headers of itself and of what it links,
# directly or through them. A change that points a dependency up stops the build here.
#
# Each entry: target, the folder its files live in, layer. The monitor's and the stats
# service's libraries are two stacks that share only base and platform.
set(LINDREL_LAYERS
  lindrel_app           src/app             7
  lindrel_ui_config     src/ui/config       6
  lindrel_ui_status     src/ui/status       6
  lindrel_update        src/update          5
  lindrel_ui_widgets    src/ui/widgets      5
  lindrel_launcher      src/launcher        4
  lindrel_service       src/service         4
  lindrel_skin          src/skin            4
  lindrel_core          src/core            3
  lindrel_base          src/base            1
  lindrel_platform      src/platform        1
  lindrel_stats         stats-service/service    7
  lindrel_stats_pages   stats-service/pages      6
  lindrel_stats_http    stats-service/http       5
  lindrel_stats_watch   stats-service/watch      5
  lindrel_stats_config  stats-service/config     4
  lindrel_demo          stats-service/demo       4
  lindrel_protocols     stats-service/protocols  3
  lindrel_history       stats-service/history    3
  lindrel_notify        stats-service/notify     3
  lindrel_asio          stats-service/asio       2)

# The lindrel_* libraries a target links, directly or through the ones it links.
function(_lindrel_linked_closure target out)
  set(seen)
  set(pending ${target})
  while(pending)
    list(POP_FRONT pending current)
    get_target_property(links ${current} LINK_LIBRARIES)
    foreach(link IN LISTS links)
      if(link MATCHES "^lindrel_" AND TARGET ${link} AND NOT link IN_LIST seen)
        list(APPEND seen ${link})
        list(APPEND pending ${link})
      endif()
    endforeach()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

# The library that owns an included header "x/y.h": the stats service's folder x when it
# holds y.h, else the monitor's src/x (or a folder below it, such as platform/win32);
# empty when none does.
function(_lindrel_header_owner header out)
  set(owner "")
  foreach(index RANGE 0 ${_lindrel_last} 3)
    list(GET LINDREL_LAYERS ${index} target)
    math(EXPR folder_index "${index} + 1")
    list(GET LINDREL_LAYERS ${folder_index} folder)
    if(header MATCHES "^(.+)/[^/]+$")
      if(EXISTS "${PROJECT_SOURCE_DIR}/stats-service/${header}")
        set(prefix "stats-service/${CMAKE_MATCH_1}")
      else()
        set(prefix "src/${CMAKE_MATCH_1}")
      endif()
      if(folder STREQUAL prefix OR prefix MATCHES "^${folder}/")
        set(owner ${target})
      endif()
    endif()
  endforeach()
  set(${out} "${owner}" PARENT_SCOPE)
endfunction()

function(lindrel_check_layers)
  list(LENGTH LINDREL_LAYERS count)
  math(EXPR _lindrel_last "${count} - 3")
  foreach(index RANGE 0 ${_lindrel_last} 3)
    list(GET LINDREL_LAYERS ${index} target)
    math(EXPR rank_index "${index} + 2")
    list(GET LINDREL_LAYERS ${rank_index} rank)
    set(rank_of_${target} ${rank})
  endforeach()

  foreach(index RANGE 0 ${_lindrel_last} 3)
    list(GET LINDREL_LAYERS ${index} target)
    if(NOT TARGET ${target})
      continue() # not part of this build (the Windows build has no service, maybe no windows)
    endif()
    math(EXPR folder_index "${index} + 1")
    list(GET LINDREL_LAYERS ${folder_index} folder)
    get_target_property(links ${target} LINK_LIBRARIES)
    foreach(link IN LISTS links)
      if(DEFINED rank_of_${link} AND NOT rank_of_${link} LESS rank_of_${target})
        message(FATAL_ERROR "${target} links ${link}, which is not below it")
      endif()
    endforeach()

    _lindrel_linked_closure(${target} allowed)
    list(APPEND allowed ${target})
    file(GLOB_RECURSE files "${PROJECT_SOURCE_DIR}/${folder}/*.h"
         "${PROJECT_SOURCE_DIR}/${folder}/*.cpp" "${PROJECT_SOURCE_DIR}/${folder}/*.h.in")
    foreach(file IN LISTS files)
      file(STRINGS "${file}" includes REGEX "^#include \"")
      foreach(line IN LISTS includes)
        string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
        _lindrel_header_owner("${header}" owner)
        if(owner AND NOT owner IN_LIST allowed)
          message(FATAL_ERROR "${file} includes ${header} of ${owner}, which ${target} "
                              "does not link")
        endif()
      endforeach()
    endforeach()
  endforeach()
endfunction()
