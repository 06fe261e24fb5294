# Writes OUTPUT, a C++ source holding each file of FILES (paths relative to
# BASE, separated by commas) as a byte array with its path and media type,
# for serving from the binary. Run at build time:
#   cmake -DBASE=... -DOUTPUT=... -DFILES=a,b -P embed-files.cmake
string(REPLACE "," ";" FILES "${FILES}")
set(entries "")
set(arrays "")
set(index 0)
foreach(file ${FILES})
  file(READ "${BASE}/${file}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  set(type "application/octet-stream")
  if(file MATCHES "\\.html$")
    set(type "text/html; charset=utf-8")
  elseif(file MATCHES "\\.css$")
    set(type "text/css; charset=utf-8")
  elseif(file MATCHES "\\.js$")
    set(type "text/javascript; charset=utf-8")
  elseif(file MATCHES "\\.svg$")
    set(type "image/svg+xml")
  endif()
  string(APPEND arrays "const unsigned char kFile${index}[] = {${bytes}0};\n")
  string(APPEND entries "    {\"/${file}\", \"${type}\", {reinterpret_cast<const char*>(kFile${index}), ${size}}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${BASE} at build time; do not edit.
#include \"standin/serve/web_assets.h\"

namespace standin {
namespace {
${arrays}
const WebAsset kAssets[] = {
${entries}};
}  // namespace

const WebAsset* FindWebAsset(std::string_view path) {
  if (path == \"/\") path = \"/index.html\";
  for (const WebAsset& asset : kAssets)
    if (asset.path == path) return &asset;
  return nullptr;
}

}  // namespace standin
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
