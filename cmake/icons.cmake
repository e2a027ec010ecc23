# The game's one icon, the web page's drawing (platform/web/icon.svg), as
# pictures for the platforms that want them.
set(KSIEZYC_ICON_SVG ${PROJECT_SOURCE_DIR}/platform/web/icon.svg)

# Adds rules that draw the icon at each of SIZES pixels square, as the file
# PATTERN names with SIZE in it replaced by the size, with rsvg-convert
# (REQUIRED if so given; otherwise nothing is drawn where it is missing).
# SMALL draws the pictures without anti-aliasing, in the drawing's own three
# colours, compressed as tightly as zopflipng can: for the web page, whose
# every byte a first visit downloads. Sets OUT to the pictures' paths.
function(draw_icons out pattern)
    cmake_parse_arguments(PARSE_ARGV 2 arg "REQUIRED;SMALL" "" "SIZES")
    if(arg_REQUIRED)
        find_program(RSVG_CONVERT rsvg-convert REQUIRED)
    else()
        find_program(RSVG_CONVERT rsvg-convert)
    endif()
    set(svg ${KSIEZYC_ICON_SVG})
    set(compress "")
    if(arg_SMALL)
        find_program(ZOPFLIPNG zopflipng REQUIRED)
        file(READ ${KSIEZYC_ICON_SVG} drawing)
        string(REPLACE "<svg " "<svg shape-rendering=\"crispEdges\" " drawing "${drawing}")
        set(svg ${CMAKE_CURRENT_BINARY_DIR}/icon-crisp.svg)
        file(WRITE ${svg} "${drawing}")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KSIEZYC_ICON_SVG})
    endif()
    set(pngs "")
    if(RSVG_CONVERT)
        foreach(size IN LISTS arg_SIZES)
            string(REPLACE "SIZE" ${size} png ${pattern})
            get_filename_component(dir ${png} DIRECTORY)
            if(arg_SMALL)
                set(compress COMMAND ${ZOPFLIPNG} -y -m ${png} ${png})
            endif()
            add_custom_command(
                OUTPUT ${png}
                COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
                COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${svg}
                ${compress}
                DEPENDS ${svg}
                COMMENT "Drawing the ${size}x${size} icon")
            list(APPEND pngs ${png})
        endforeach()
    endif()
    set(${out} ${pngs} PARENT_SCOPE)
endfunction()
