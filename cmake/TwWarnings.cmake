# Linked PRIVATE by every target of ours: warnings stay ours, never leak into consumers.
add_library(tw_warnings INTERFACE)
target_compile_options(tw_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
  -Wcast-align -Wnull-dereference -Wformat=2)
if(TW_WERROR)
  target_compile_options(tw_warnings INTERFACE -Werror)
endif()
target_compile_definitions(tw_warnings INTERFACE QT_NO_CAST_FROM_ASCII QT_NO_FOREACH)
