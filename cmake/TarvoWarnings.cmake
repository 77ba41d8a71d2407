# Warnings are errors for the project's own code; third-party headers are system headers.
add_library(tarvo_warnings INTERFACE)
target_compile_options(tarvo_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
  -Wimplicit-fallthrough -Werror)
