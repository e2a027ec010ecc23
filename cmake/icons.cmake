# The game's one icon, the web page's drawing (platform/web/icon.svg), as
# pictures for the platforms that want them.
set(KSIEZYC_ICON_SVG ${PROJECT_SOURCE_DIR}/platform/web/icon.svg)

# Adds rules that draw the icon at each of SIZES pixels square, as
# DIR/SIZE/NAME.png, with rsvg-convert (REQUIRED if so given; otherwise
# nothing is drawn where it is missing). Sets OUT to the pictures' paths.
function(draw_icons out dir name)
    cmake_parse_arguments(PARSE_ARGV 3 arg "REQUIRED" "" "SIZES")
    if(arg_REQUIRED)
        find_program(RSVG_CONVERT rsvg-convert REQUIRED)
    else()
        find_program(RSVG_CONVERT rsvg-convert)
    endif()
    set(pngs "")
    if(RSVG_CONVERT)
        foreach(size IN LISTS arg_SIZES)
            set(png ${dir}/${size}/${name}.png)
            add_custom_command(
                OUTPUT ${png}
                COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}/${size}
                COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${KSIEZYC_ICON_SVG}
                DEPENDS ${KSIEZYC_ICON_SVG}
                COMMENT "Drawing the ${size}x${size} icon")
            list(APPEND pngs ${png})
        endforeach()
    endif()
    set(${out} ${pngs} PARENT_SCOPE)
endfunction()
