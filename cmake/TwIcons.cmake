# The program's icon from its one source, desktop/tablewright.svg: PNGs at the sizes the
# hicolor theme and the window use, drawn by rsvg-convert at build time.
find_program(TW_RSVG_CONVERT rsvg-convert REQUIRED)
set(TW_ICON_SIZES 16 24 32 48 64 128 256)
set(TW_ICON_DIR ${PROJECT_BINARY_DIR}/icons)
set(TW_ICON_PNGS)
foreach(size IN LISTS TW_ICON_SIZES)
  set(png ${TW_ICON_DIR}/tablewright-${size}.png)
  add_custom_command(
    OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TW_ICON_DIR}
    COMMAND ${TW_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${PROJECT_SOURCE_DIR}/desktop/tablewright.svg
    DEPENDS ${PROJECT_SOURCE_DIR}/desktop/tablewright.svg
    COMMENT "Drawing the ${size} px icon")
  list(APPEND TW_ICON_PNGS ${png})
endforeach()
add_custom_target(tw-icons ALL DEPENDS ${TW_ICON_PNGS})
