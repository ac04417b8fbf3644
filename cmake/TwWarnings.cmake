# Linked PRIVATE by every target of ours: warnings stay ours, never leak into consumers.
add_library(tw_warnings INTERFACE)
target_compile_options(tw_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
  -Wcast-align -Wnull-dereference -Wformat=2)
# GCC 12 reports -Wrestrict for std::string concatenation at -O3, a known false positive.
target_compile_options(tw_warnings INTERFACE
  $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict>)
if(TW_WERROR)
  target_compile_options(tw_warnings INTERFACE -Werror)
endif()
target_compile_definitions(tw_warnings INTERFACE QT_NO_CAST_FROM_ASCII QT_NO_FOREACH)
