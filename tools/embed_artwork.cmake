# Writes a C++ source holding every SVG of ARTWORK_DIR ("<id>-<name>.svg") and
# the table from resource id to picture. Width and height come from the
# svg element's width and height attributes.
# Run as: cmake -DARTWORK_DIR=<dir> -DOUTPUT=<file.cpp> -P tools/embed_artwork.cmake
file(GLOB svgs ${ARTWORK_DIR}/*.svg)
list(SORT svgs)
set(body "// Generated from resources/artwork by tools/embed_artwork.cmake.\n#include \"resources/artwork.h\"\n\nnamespace {\n")
set(rows "")
foreach(svg ${svgs})
  get_filename_component(name ${svg} NAME_WE)
  string(REGEX REPLACE "^([0-9]+)-.*" "\\1" id "${name}")
  file(READ ${svg} text)
  string(REGEX MATCH "<svg[^>]*>" head "${text}")
  string(REGEX REPLACE ".* width=\"([0-9]+)\".*" "\\1" width "${head}")
  string(REGEX REPLACE ".* height=\"([0-9]+)\".*" "\\1" height "${head}")
  string(APPEND body "const char kArtwork${id}[] = R\"svg(${text})svg\";\n")
  string(APPEND rows "    {${id}, ${width}, ${height}, kArtwork${id}, sizeof kArtwork${id} - 1},\n")
endforeach()
string(APPEND body "\nconst ArtworkSource kArtwork[] = {\n${rows}};\n}  // namespace\n\n")
string(APPEND body "const ArtworkSource* findArtwork(int16_t id) {\n    for (const ArtworkSource& source : kArtwork)\n        if (source.id == id) return &source;\n    return nullptr;\n}\n")
file(WRITE ${OUTPUT}.tmp "${body}")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
