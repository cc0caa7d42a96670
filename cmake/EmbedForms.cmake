# Writes OUT, a C++ source that hands every stored form layout in FILES
# (binary object streams named after their form class, made from forms/ by
# quendel-formc) to the widget layer's resources:
#   cmake -DOUT=... -DFILES="a.form|b.form" -P EmbedForms.cmake
set(arrays "")
set(entries "")
string(REPLACE "|" ";" FILES "${FILES}")
foreach(f IN LISTS FILES)
  get_filename_component(name "${f}" NAME_WE)
  string(TOUPPER "${name}" name)
  file(READ "${f}" hex HEX)
  string(LENGTH "${hex}" length)
  if(length EQUAL 0)
    message(FATAL_ERROR "${f} is empty")
  endif()
  math(EXPR size "${length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  # Lines of 16 bytes keep the source readable for a compiler and a diff.
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)"
         "\\1\n    " bytes "${bytes}")
  string(APPEND arrays "const unsigned char k${name}[${size}] = {\n    ${bytes}};\n")
  string(APPEND entries "  Resources.Add(\"${name}\", std::string(reinterpret_cast<const char*>(k${name}), sizeof k${name}));\n")
endforeach()
file(WRITE "${OUT}.tmp" "// Generated from forms/ by cmake/EmbedForms.cmake; do not edit.
#include \"dialogs/dialog_layouts.h\"

#include <string>

namespace quendel::dialogs {

namespace {

${arrays}
} // namespace

void AddDialogLayouts(ui::TFormResources& Resources) {
${entries}}

} // namespace quendel::dialogs
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
