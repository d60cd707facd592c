#!/usr/bin/env bash
# Reads a built plug-in library (and optionally the programs beside it) and checks what the target
# promises about it: its file format, the symbols it exports and the libraries it imports.
#
#   check-artifact.sh KIND LIBRARY [--objects OBJECT...] [--programs DIR]
#
# KIND is windows-x86, windows-x64, macos-x64, linux-x64 or linux-x86.
#   Windows: PE32 (x86) or PE32+ (x86-64) DLL; exports QORAPluginMain alone, undecorated; imports
#            system DLLs only (the GCC runtimes are linked in statically).
#   macOS:   Mach-O x86-64 dylib; exports _QORAPluginMain and every external, non-weak symbol that
#            the given object files define, and nothing they do not define; links Foundation,
#            and nothing but libSystem, libc++ and system frameworks.
#   Linux:   ELF shared object of the right class; exports QORAPluginMain.
# --programs DIR also checks that every .exe below DIR imports system DLLs only.
# Prints one line per failed check and exits 1 if any failed.
set -uo pipefail

kind=${1:?usage: check-artifact.sh KIND LIBRARY [--objects OBJECT...] [--programs DIR]}
library=${2:?usage: check-artifact.sh KIND LIBRARY [--objects OBJECT...] [--programs DIR]}
shift 2
objects=()
programs=""
while [ $# -gt 0 ]; do
  case $1 in
    --objects) shift; while [ $# -gt 0 ] && [ "${1:0:2}" != "--" ]; do objects+=("$1"); shift; done ;;
    --programs) programs=${2:?--programs needs a folder}; shift 2 ;;
    *) echo "check-artifact: unknown argument $1" >&2; exit 2 ;;
  esac
done

failures=0
fail() { echo "FAIL $library: $*"; failures=$((failures + 1)); }

[ -f "$library" ] || { echo "FAIL $library: no such file"; exit 1; }

tool() { # the first of the given tools that exists
  local t
  for t in "$@"; do command -v "$t" >/dev/null && { echo "$t"; return; }; done
  echo "check-artifact: none of $* is installed" >&2; exit 2
}

# DLLs that every Windows installation carries; anything else (libstdc++-6.dll, libgcc_s_*.dll,
# libwinpthread-1.dll) would have to be shipped beside the plug-in.
system_dll() {
  case ${1,,} in
    kernel32.dll | msvcrt.dll | ntdll.dll | user32.dll | gdi32.dll | advapi32.dll | ucrtbase.dll) return 0 ;;
    api-ms-win-*.dll) return 0 ;;
    *) return 1 ;;
  esac
}

pe_imports() { objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'; }

# The names of the export table, one a line ("[   0] QORAPluginMain" rows of objdump -p).
pe_exports() {
  objdump -p "$1" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' \
    | sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p'
}

check_pe_imports() {
  local file=$1 dll
  local imports
  imports=$(pe_imports "$file")
  [ -n "$imports" ] || fail "$file imports nothing (not a linked PE file?)"
  while read -r dll; do
    [ -z "$dll" ] || system_dll "$dll" || fail "$file imports $dll, which is not a system DLL"
  done <<<"$imports"
}

check_windows() {
  local format=$1 machine=$2
  local description exports
  description=$(file -b "$library")
  [[ $description == "$format executable (DLL)"*"$machine"* ]] \
    || fail "expected a $format $machine DLL, found: $description"
  exports=$(pe_exports "$library")
  [ "$exports" = "QORAPluginMain" ] \
    || fail "must export QORAPluginMain alone, undecorated; exports: $(echo $exports)"
  check_pe_imports "$library"
  if [ -n "$programs" ]; then
    local exe count=0
    while IFS= read -r -d '' exe; do
      check_pe_imports "$exe"
      count=$((count + 1))
    done < <(find "$programs" -name CMakeFiles -prune -o -name '*.exe' -print0)
    [ "$count" -gt 0 ] || fail "no programs found below $programs"
  fi
}

check_macos() {
  local description nm objdump exported own wanted symbol dylib
  nm=$(tool llvm-nm llvm-nm-14)
  objdump=$(tool llvm-objdump llvm-objdump-14)
  description=$(file -b "$library")
  [[ $description == "Mach-O 64-bit x86_64 dynamically linked shared library"* ]] \
    || fail "expected a Mach-O x86-64 dylib, found: $description"
  # The export trie is what dyld looks symbols up in (the symbol table also lists private ones).
  exported=$("$objdump" --macho --exports-trie "$library" | sed -n 's/^0x[0-9a-fA-F]*[[:space:]]*//p' | sort -u)
  grep -qx '_QORAPluginMain' <<<"$exported" || fail "does not export _QORAPluginMain"
  if [ ${#objects[@]} -gt 0 ]; then
    # Every function and global with external linkage in the plug-in's own objects must be visible
    # to the host; weak definitions (inline functions, templates) are the compiler's, not the
    # plug-in's. Conversely nothing else may be exported: a runtime linked into the dylib must keep
    # its symbols to itself.
    own=$("$nm" -g --defined-only --format=just-symbols "${objects[@]}" | sed '/:$/d; /^$/d' | sort -u)
    while read -r wanted; do
      grep -qxF "$wanted" <<<"$exported" || fail "does not export $wanted"
    done < <("$nm" -g --defined-only --no-weak --format=just-symbols "${objects[@]}" | sed '/:$/d; /^$/d' | sort -u)
    local foreign
    foreign=$(comm -23 <(echo "$exported") <(echo "$own") | sed '/^$/d')
    [ -z "$foreign" ] || fail "exports $(wc -l <<<"$foreign") symbols that the plug-in's objects do not define, e.g. $(head -3 <<<"$foreign" | tr '\n' ' ')"
  fi
  local dylibs
  dylibs=$("$objdump" --macho --dylibs-used "$library" | tail -n +3 | sed 's/^[[:space:]]*//; s/ (compatibility.*//')
  while read -r dylib; do
    case $dylib in
      /usr/lib/libSystem.B.dylib | /usr/lib/libc++.1.dylib | /System/Library/Frameworks/*) ;;
      *) fail "links $dylib, which is not a system library" ;;
    esac
  done <<<"$dylibs"
  grep -q '^/System/Library/Frameworks/Foundation.framework/' <<<"$dylibs" || fail "does not link Foundation"
}

check_linux() {
  local class=$1 machine=$2 description
  description=$(file -b -L "$library")
  [[ $description == "ELF $class LSB shared object, $machine"* ]] \
    || fail "expected an ELF $class $machine shared object, found: $description"
  # grep reads to the end: with -q it would stop at the match, and under pipefail the writer's
  # SIGPIPE would fail the check on a library with many symbols (a sanitizer build).
  nm -D --defined-only "$library" | awk '{print $NF}' | grep -x 'QORAPluginMain' >/dev/null \
    || fail "does not export QORAPluginMain"
}

case $kind in
  windows-x86) check_windows PE32 "Intel 80386" ;;
  windows-x64) check_windows PE32+ x86-64 ;;
  macos-x64) check_macos ;;
  linux-x64) check_linux 64-bit x86-64 ;;
  linux-x86) check_linux 32-bit "Intel 80386" ;;
  *) echo "check-artifact: unknown kind $kind" >&2; exit 2 ;;
esac

if [ "$failures" -gt 0 ]; then exit 1; fi
echo "ok $kind $library"
