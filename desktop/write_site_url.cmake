# Install step: writes share/velmora/site.url, an internet shortcut to the
# installed README. Run by `cmake --install`, where CMAKE_INSTALL_PREFIX is the
# prefix being installed to and DESTDIR, when set, a staging root the address
# leaves out.
include("${CMAKE_CURRENT_LIST_DIR}/site_url.cmake")
if(IS_ABSOLUTE "${velmora_datadir}")
  set(datadir "${velmora_datadir}")
else()
  set(datadir "${CMAKE_INSTALL_PREFIX}/${velmora_datadir}")
endif()
# A relative prefix is taken from the folder the install runs in, as the
# install of the files does.
get_filename_component(datadir "${datadir}" ABSOLUTE)
set(site "$ENV{DESTDIR}${datadir}/velmora/site.url")
message(STATUS "Installing: ${site}")
velmora_write_site_url("${site}" "${datadir}/doc/velmora/README.md")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${site}")
