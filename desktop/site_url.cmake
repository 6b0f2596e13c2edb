# velmora_write_site_url(SITE TARGET): writes the internet shortcut SITE
# (site.url, the file "Visit Site" opens) naming the local file TARGET by its
# file URL. Characters that would end or change the meaning of the URL are
# escaped.
function(velmora_write_site_url site target)
  string(REPLACE "%" "%25" address "${target}")
  string(REPLACE " " "%20" address "${address}")
  string(REPLACE "#" "%23" address "${address}")
  string(REPLACE "?" "%3F" address "${address}")
  file(WRITE "${site}" "[InternetShortcut]\r\nURL=file://${address}\r\n")
endfunction()
