# Strict warnings for the project's own targets; third-party headers come in as SYSTEM.
add_library(lindrel_warnings INTERFACE)
target_compile_options(lindrel_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual)
if(LINDREL_WERROR)
  target_compile_options(lindrel_warnings INTERFACE -Werror)
endif()
