# Sourced by the scripts. Wine maps non-ASCII Windows file names to Linux ones through the
# locale's character set, and a bare Debian machine sets no locale at all (ASCII). Unless the
# inherited locale already is UTF-8, use C.UTF-8, which every Debian has.
if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
  export LC_ALL=C.UTF-8
fi
