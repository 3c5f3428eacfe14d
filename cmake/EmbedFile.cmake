# qvl_embed_file(FILE SYMBOL OUTPUT): writes OUTPUT, a C++ source that defines
#   extern const unsigned char SYMBOL[];  extern const std::size_t SYMBOL##Size;
# with the bytes of FILE. OUTPUT is rewritten only when the bytes change, and the
# build configures again when FILE changes.
function(qvl_embed_file file symbol output)
  file(READ "${file}" hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
  get_filename_component(name "${file}" NAME)
  file(WRITE "${output}.new"
       "// Generated from ${name} by qvl_embed_file; do not edit.\n"
       "#include <cstddef>\n"
       "extern const unsigned char ${symbol}[];\n"
       "extern const std::size_t ${symbol}Size;\n"
       "const unsigned char ${symbol}[] = {\n    ${bytes}\n};\n"
       "const std::size_t ${symbol}Size = ${size};\n")
  configure_file("${output}.new" "${output}" COPYONLY)
  file(REMOVE "${output}.new")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
endfunction()
