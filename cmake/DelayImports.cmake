# quendel_delay_import(DLL)
#   The functions of DLL (user32, gdi32...) for a program that loads the DLL
#   on the first call of one of them instead of at its start, as the static
#   library Delayed::DLL, to be linked in place of the toolchain's import
#   library: it defines the same import names ("__imp__Name@N" and the
#   "_Name@N" jump), so code calls through them unchanged. Each import slot
#   starts at a stub that loads the DLL, finds the function, stores it in the
#   slot and jumps to it; every later call goes straight through the slot.
#   Each function's slot, name and stub sit in sections of their own, so a
#   program linked with --gc-sections keeps only those it calls. The source
#   is made at configure time from the toolchain's own import library.
#   (The toolchain's dlltool --output-delaylib makes libraries whose slots
#   this linker leaves empty: a call jumps to address 0.)
#
#   Why: loading user32 brings gdi32 and win32u, whose start reads the font
#   tables (under Wine a few hundred registry requests and the font files);
#   a quiet install never shows a window and never needs either.
function(quendel_delay_import dll)
  if(TARGET Delayed::${dll})
    return()
  endif()
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${dll}.a
    OUTPUT_VARIABLE import_lib OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT EXISTS "${import_lib}")
    message(FATAL_ERROR "no import library lib${dll}.a in the toolchain")
  endif()
  set(source ${CMAKE_BINARY_DIR}/_deps/delayed/delayed_${dll}.cpp)
  if(NOT EXISTS ${source} OR ${import_lib} IS_NEWER_THAN ${source}
     OR ${CMAKE_CURRENT_FUNCTION_LIST_FILE} IS_NEWER_THAN ${source})
    execute_process(COMMAND ${CMAKE_NM} ${import_lib} OUTPUT_VARIABLE symbols
      RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "cannot list ${import_lib}")
    endif()
    # The code symbols "_Name@N" (stdcall) and "_Name" (cdecl) of the
    # library's import thunks.
    string(REGEX MATCHALL "[0-9a-f]+ T _[A-Za-z0-9_]+(@[0-9]+)?" entries "${symbols}")
    set(names "")
    foreach(entry IN LISTS entries)
      string(REGEX REPLACE "^[0-9a-f]+ T _" "" name "${entry}")
      list(APPEND names "${name}")
    endforeach()
    list(REMOVE_DUPLICATES names)
    set(resolve "_QuendelResolveDelayed_${dll}")
    string(CONCAT text
      "// Made by cmake/DelayImports.cmake from ${import_lib}; do not edit.\n"
      "#include <windows.h>\n\n"
      "// The function Name of Dll, stored in Slot; a DLL or function that cannot\n"
      "// be found ends the program as a missing import would have kept it from\n"
      "// starting.\n"
      "extern \"C\" void* QuendelResolveDelayed_${dll}(const char* Dll, void** Slot,\n"
      "                                              const char* Name) {\n"
      "  const HMODULE Module = LoadLibraryA(Dll);\n"
      "  const FARPROC Function = Module ? GetProcAddress(Module, Name) : nullptr;\n"
      "  if (!Function) RaiseException(0xC06D007F, EXCEPTION_NONCONTINUABLE, 0, nullptr);\n"
      "  *Slot = reinterpret_cast<void*>(Function);\n"
      "  return *Slot;\n"
      "}\n\n"
      "asm(\".section .rdata$qdi_dll_${dll},\\\"dr\\\"\\n\"\n"
      "    \"qdi_dll_${dll}: .asciz \\\"${dll}.dll\\\"\\n\");\n")
    foreach(name IN LISTS names)
      string(REGEX REPLACE "@.*" "" plain "${name}")
      string(REPLACE "@" "_" tag "${name}")
      string(APPEND text
        "asm(\".section .data$qdi_${tag},\\\"w\\\"\\n.p2align 2\\n.globl __imp__${name}\\n\"\n"
        "    \"__imp__${name}: .long qdi_stub_${tag}\\n\"\n"
        "    \".section .rdata$qdi_${tag},\\\"dr\\\"\\nqdi_name_${tag}: .asciz \\\"${plain}\\\"\\n\"\n"
        "    \".section .text$qdi_${tag},\\\"xr\\\"\\n.globl _${name}\\n_${name}: jmp *__imp__${name}\\n\"\n"
        "    \"qdi_stub_${tag}: pushl $qdi_name_${tag}\\npushl $__imp__${name}\\n\"\n"
        "    \"pushl $qdi_dll_${dll}\\ncall ${resolve}\\naddl $12, %esp\\njmp *%eax\\n\");\n")
    endforeach()
    file(WRITE ${source} "${text}")
  endif()
  add_library(quendel_delayed_${dll} STATIC ${source})
  # Machine code only: the names are defined by assembly, which the
  # whole-program link's symbol table would not see.
  set_source_files_properties(${source} PROPERTIES COMPILE_OPTIONS "-fno-lto")
  add_library(Delayed::${dll} ALIAS quendel_delayed_${dll})
endfunction()
