# Install step: writes share/velmora/site.url, an internet shortcut to the
# installed README. Run by `cmake --install`, where CMAKE_INSTALL_PREFIX is the
# prefix being installed to and DESTDIR, when set, a staging root the address
# leaves out.
if(IS_ABSOLUTE "${velmora_datadir}")
  set(datadir "${velmora_datadir}")
else()
  set(datadir "${CMAKE_INSTALL_PREFIX}/${velmora_datadir}")
endif()
# A relative prefix is taken from the folder the install runs in, as the
# install of the files does.
get_filename_component(datadir "${datadir}" ABSOLUTE)
set(readme "${datadir}/doc/velmora/README.md")
# Characters that would end or change the meaning of a file URL are escaped.
string(REPLACE "%" "%25" address "${readme}")
string(REPLACE " " "%20" address "${address}")
string(REPLACE "#" "%23" address "${address}")
string(REPLACE "?" "%3F" address "${address}")
set(site "$ENV{DESTDIR}${datadir}/velmora/site.url")
message(STATUS "Installing: ${site}")
file(WRITE "${site}" "[InternetShortcut]\r\nURL=file://${address}\r\n")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${site}")
