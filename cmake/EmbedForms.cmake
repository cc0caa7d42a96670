# Writes OUT, a C++ source that hands every stored form layout in FILES (text
# object streams named after their form class) to the widget layer's
# resources: cmake -DOUT=... -DFILES="a.txt|b.txt" -P EmbedForms.cmake
set(entries "")
string(REPLACE "|" ";" FILES "${FILES}")
foreach(f IN LISTS FILES)
  get_filename_component(name "${f}" NAME_WE)
  string(TOUPPER "${name}" name)
  file(READ "${f}" text)
  string(APPEND entries "  Resources.Add(\"${name}\", R\"QFORM(${text})QFORM\");\n")
endforeach()
file(WRITE "${OUT}.tmp" "// Generated from forms/ by cmake/EmbedForms.cmake; do not edit.
#include \"dialogs/dialog_layouts.h\"

namespace quendel::dialogs {

void AddDialogLayouts(ui::TFormResources& Resources) {
${entries}}

} // namespace quendel::dialogs
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
