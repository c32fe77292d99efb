# SPDX-License-Identifier: MIT
# Installs morvane where a Linux desktop looks for it (GNUInstallDirs) and packs the same tree
# as a Debian package with CPack. Included from the top CMakeLists.txt once the programs exist.
# Also makes the version header: the one version number is the one in project().
include(GNUInstallDirs)

set(MORVANE_DATA ${CMAKE_CURRENT_LIST_DIR})
set(MORVANE_GENERATED ${CMAKE_BINARY_DIR}/generated)
set(MORVANE_RELEASE_DATE 2026-12-08)
set(MORVANE_MAINTAINER "morvane maintainers <maintainers@users.noreply.c-seed-df009287.example>")

# The installed program finds its package at a path fixed here, and the launcher finds the
# program relative to itself so that a staged tree (DESTDIR) starts its own copy.
set(MORVANE_INSTALLED_PACKAGE ${CMAKE_INSTALL_FULL_DATADIR}/morvane/Data/gfx.dpf)
set(MORVANE_LAUNCHER_DIR ${CMAKE_INSTALL_LIBEXECDIR}/morvane)
set(MORVANE_LAUNCHER ${CMAKE_INSTALL_FULL_LIBEXECDIR}/morvane/morvane-start)
file(RELATIVE_PATH MORVANE_LAUNCHER_TO_BIN ${CMAKE_INSTALL_FULL_LIBEXECDIR}/morvane
     ${CMAKE_INSTALL_FULL_BINDIR})
execute_process(COMMAND date -u -R -d "${MORVANE_RELEASE_DATE} 12:00"
                OUTPUT_VARIABLE MORVANE_RELEASE_DATE_RFC OUTPUT_STRIP_TRAILING_WHITESPACE)

configure_file(${MORVANE_DATA}/version.h.in ${MORVANE_GENERATED}/include/morvane/version.h @ONLY)
configure_file(${MORVANE_DATA}/install_paths.h.in
               ${MORVANE_GENERATED}/include/morvane/install_paths.h @ONLY)
add_library(morvane_version INTERFACE)
target_include_directories(morvane_version INTERFACE ${MORVANE_GENERATED}/include)
# app/package_path.cpp, built into the shell's code, includes install_paths.h.
target_link_libraries(morvane_shell PUBLIC morvane_version)

foreach(file morvane.desktop morvane-start org.morvane.morvane.metainfo.xml changelog)
  configure_file(${MORVANE_DATA}/${file}.in ${MORVANE_GENERATED}/${file} @ONLY)
endforeach()

# The man pages, readable in the build with "man -l build/man/man1/morvane-render.1" (or
# MANPATH=build/man man morvane-render). morvane-render's options come from its option tables:
# make_render_man puts them into the page at build time.
set(MORVANE_MAN ${CMAKE_BINARY_DIR}/man/man1)
configure_file(${MORVANE_DATA}/morvane.1.in ${MORVANE_MAN}/morvane.1 @ONLY)
configure_file(${MORVANE_DATA}/morvane-render.1.in ${MORVANE_GENERATED}/morvane-render.1.in @ONLY)
add_executable(make_render_man ${MORVANE_DATA}/make_render_man.cpp)
target_link_libraries(make_render_man PRIVATE morvane_render)
add_custom_command(OUTPUT ${MORVANE_MAN}/morvane-render.1
                   COMMAND make_render_man ${MORVANE_GENERATED}/morvane-render.1.in
                           ${MORVANE_MAN}/morvane-render.1
                   DEPENDS make_render_man ${MORVANE_GENERATED}/morvane-render.1.in
                   VERBATIM)

# Debian wants man pages and changelogs compressed with gzip -9n (no name, no time stamp).
set(MORVANE_GZIPPED)
foreach(file ${MORVANE_MAN}/morvane.1 ${MORVANE_MAN}/morvane-render.1
        ${MORVANE_GENERATED}/changelog)
  get_filename_component(name ${file} NAME)
  add_custom_command(OUTPUT ${MORVANE_GENERATED}/${name}.gz
                     COMMAND gzip -9nc ${file} > ${MORVANE_GENERATED}/${name}.gz
                     DEPENDS ${file})
  list(APPEND MORVANE_GZIPPED ${MORVANE_GENERATED}/${name}.gz)
endforeach()
add_custom_target(install_docs ALL DEPENDS ${MORVANE_GZIPPED})

# The icons are pictures the renderer draws from a fixed seed and icon.cfg, scaled down.
set(MORVANE_ICON_SIZES 48 128 256)
if(TARGET morvane-render)
  set(icons)
  foreach(size ${MORVANE_ICON_SIZES})
    set(icon ${MORVANE_GENERATED}/icons/morvane-${size}.png)
    add_custom_command(OUTPUT ${icon}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${MORVANE_GENERATED}/icons
                       COMMAND morvane-render render --settings ${MORVANE_DATA}/icon.cfg --seed 2026
                               --frames 10 --thumb ${size} --quiet -o ${icon}
                       DEPENDS morvane-render ${MORVANE_DATA}/icon.cfg
                       COMMENT "Rendering the ${size} px icon"
                       VERBATIM)
    list(APPEND icons ${icon})
    install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME morvane.png)
  endforeach()
  add_custom_target(icons ALL DEPENDS ${icons})
endif()

install(TARGETS morvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET morvane-render)
  install(TARGETS morvane-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${CMAKE_BINARY_DIR}/Data/gfx.dpf DESTINATION ${CMAKE_INSTALL_DATADIR}/morvane/Data)
install(PROGRAMS ${MORVANE_GENERATED}/morvane-start DESTINATION ${MORVANE_LAUNCHER_DIR})
install(FILES ${MORVANE_GENERATED}/morvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        RENAME org.morvane.morvane.desktop)
install(FILES ${MORVANE_GENERATED}/org.morvane.morvane.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${MORVANE_GENERATED}/morvane.1.gz ${MORVANE_GENERATED}/morvane-render.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${MORVANE_DATA}/copyright ${MORVANE_GENERATED}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvane)
set(CPACK_PACKAGE_VENDOR "morvane maintainers")
set(CPACK_PACKAGE_CONTACT ${MORVANE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "generative art of grey strand lines grown in real time")
# Debian shows the description as written, so its lines are wrapped here.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
       "morvane grows thin grey strand lines across a black canvas, pixel by pixel"
       "and in real time, from a stream of random numbers and ten settings that can"
       "be changed on a control panel while the picture grows. The canvas is saved"
       "as a 16-bit greyscale PNG image."
       "morvane-render renders the same pictures without a window, from a seed and"
       "settings or from the journal of a live session.")
# The binaries look for their package under the prefix they were configured with.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-user-dirs)
include(CPack)
