# The Windows programs' resources: the program icon (rendered from the SVG at the sizes Windows
# asks for), the application manifest and a version resource, compiled by the mingw resource
# compiler. Included from the top folder, so the icon's rule is built once for both programs.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)  # package librsvg2-bin
find_program(ICOTOOL icotool REQUIRED)            # package icoutils

set(POLCARO_COMPANY "Epub polcaro developers")
set(POLCARO_COPYRIGHT "Copyright (C) 2026 Epub polcaro developers")

set(polcaro_resource_dir ${PROJECT_BINARY_DIR}/windows-resources)
set(POLCARO_APP_ICO ${polcaro_resource_dir}/epub-polcaro.ico)
# The 256-pixel image goes in as PNG (-r), as Windows expects at that size.
set(ico_pngs)
foreach(size 16 24 32 48 64 256)
  set(png ${polcaro_resource_dir}/app-${size}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${polcaro_resource_dir}
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
            ${PROJECT_SOURCE_DIR}/data/hu.epubpolcaro.EpubPolcaro.svg
    DEPENDS ${PROJECT_SOURCE_DIR}/data/hu.epubpolcaro.EpubPolcaro.svg VERBATIM)
  list(APPEND ico_pngs ${png})
endforeach()
list(POP_BACK ico_pngs ico_large)
add_custom_command(OUTPUT ${POLCARO_APP_ICO}
  COMMAND ${ICOTOOL} -c -o ${POLCARO_APP_ICO} ${ico_pngs} -r ${ico_large}
  DEPENDS ${ico_pngs} ${ico_large} VERBATIM)
add_custom_target(polcaro_app_ico DEPENDS ${POLCARO_APP_ICO})

# polcaro_windows_resources(<target> <file description>): the icon, the manifest and the version
# resource (FileVersion and ProductVersion from the project version) go into <target>.exe.
function(polcaro_windows_resources target description)
  set(POLCARO_TARGET ${target})
  set(POLCARO_FILE_DESCRIPTION ${description})
  set(POLCARO_ICON ${POLCARO_APP_ICO})
  set(version ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} ${PROJECT_VERSION_PATCH} 0)
  list(TRANSFORM version REPLACE "^$" "0")
  list(JOIN version "," POLCARO_VERSION_COMMAS)
  list(JOIN version "." POLCARO_VERSION_QUAD)
  set(manifest ${polcaro_resource_dir}/${target}.manifest)
  set(POLCARO_MANIFEST ${manifest})
  configure_file(${PROJECT_SOURCE_DIR}/data/windows/epub-polcaro.manifest ${manifest} @ONLY)
  set(rc ${polcaro_resource_dir}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/data/windows/version.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${POLCARO_APP_ICO};${manifest}")
  target_sources(${target} PRIVATE ${rc})
  add_dependencies(${target} polcaro_app_ico)
endfunction()
