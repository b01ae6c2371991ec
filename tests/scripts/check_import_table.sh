#!/usr/bin/env bash
# Checks the import and export tables of the Windows plugin:
#  - ScriptHookRDR2.dll supplies exactly the names listed in the expected file
#    (the host's MSVC-decorated exports), no more and no fewer;
#  - no DLL other than KERNEL32.dll, msvcrt.dll, USER32.dll and
#    ScriptHookRDR2.dll is imported (the runtime is linked in statically), and
#    from USER32.dll only the keyboard's three functions;
#  - the plugin exports nothing.
#
# usage: check_import_table.sh OBJDUMP PLUGIN EXPECTED_HOST_IMPORTS
set -euo pipefail

if [[ $# -ne 3 ]]; then
  echo "usage: $0 OBJDUMP PLUGIN EXPECTED_HOST_IMPORTS" >&2
  exit 2
fi
objdump=$1
plugin=$2
expected_file=$3
allowed_dlls=(KERNEL32.dll msvcrt.dll USER32.dll ScriptHookRDR2.dll)
user32_expected=$'GetAsyncKeyState\nGetForegroundWindow\nGetWindowThreadProcessId'
host_dll=ScriptHookRDR2.dll

if [[ ! -f "$plugin" ]]; then
  echo "FAIL: $plugin does not exist: build the windows preset first" >&2
  echo "      (cmake --preset windows && cmake --build --preset windows)" >&2
  exit 1
fi
if ! command -v "$objdump" >/dev/null 2>&1; then
  echo "FAIL: $objdump not found: install binutils-mingw-w64-x86-64 (scripts/install-deps.sh)" >&2
  exit 1
fi
if [[ ! -f "$expected_file" ]]; then
  echo "FAIL: list of expected host imports $expected_file does not exist" >&2
  exit 1
fi

dump=$("$objdump" -p "$plugin")
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

if ! grep -q 'file format pei-x86-64' <<<"$dump"; then
  fail "$plugin is not a Windows x86-64 image"
fi

# "DLL<TAB>name" for every imported name, and "DLL" alone for each DLL.
imports=$(awk '
  /^\tDLL Name: / { dll = $3; print dll; in_dll = 1; next }
  in_dll && /^\tvma:/ { next }
  in_dll && /^[ \t]*$/ { in_dll = 0; next }
  in_dll && /^\t[0-9a-f]+[ \t]+[0-9]+[ \t]+/ { print dll "\t" $3; next }
  in_dll && /^\t[0-9a-f]+[ \t]+<none>/ { print dll "\t<ordinal>"; next }
' <<<"$dump")

dlls=$(awk -F'\t' 'NF == 1' <<<"$imports" | sort -u)
if [[ -z "$dlls" ]]; then
  fail "no import table found in $plugin"
fi
while read -r dll; do
  [[ -z "$dll" ]] && continue
  allowed=0
  for a in "${allowed_dlls[@]}"; do
    [[ "$dll" == "$a" ]] && allowed=1
  done
  if [[ $allowed -eq 0 ]]; then
    fail "imports from $dll (only ${allowed_dlls[*]} are allowed): $(awk -F'\t' -v d="$dll" 'NF == 2 && $1 == d { printf "%s ", $2 }' <<<"$imports")"
  fi
done <<<"$dlls"

expected=$(grep -v '^[[:space:]]*$' "$expected_file" | sort)
actual=$(awk -F'\t' -v d="$host_dll" 'NF == 2 && $1 == d { print $2 }' <<<"$imports" | sort)
duplicates=$(uniq -d <<<"$actual")
if [[ -n "$duplicates" ]]; then
  fail "$host_dll names imported more than once: $duplicates"
fi
missing=$(comm -23 <(sort -u <<<"$expected") <(sort -u <<<"$actual"))
extra=$(comm -13 <(sort -u <<<"$expected") <(sort -u <<<"$actual"))
if [[ -n "$missing" ]]; then
  fail "these host functions are not imported from $host_dll:"$'\n'"$missing"
fi
if [[ -n "$extra" ]]; then
  fail "these names are imported from $host_dll but are not among the host's exports:"$'\n'"$extra"
fi

user32_actual=$(awk -F'\t' 'NF == 2 && toupper($1) == "USER32.DLL" { print $2 }' <<<"$imports" | sort)
if [[ "$user32_actual" != "$user32_expected" ]]; then
  fail "USER32.dll must give exactly GetAsyncKeyState, GetForegroundWindow and GetWindowThreadProcessId, not:"$'\n'"$user32_actual"
fi

# The export table, when there is one, must list nothing.
if grep -q '^There is an export table' <<<"$dump"; then
  counts=$(awk '
    /^Number in:/ { in_counts = 1; next }
    in_counts && /Export Address Table/ { print "address " $NF; next }
    in_counts && /Name Pointer\/Ordinal\] Table/ { print "name " $NF; in_counts = 0; next }
  ' <<<"$dump")
  exported=$(awk '
    /^\[Ordinal\/Name Pointer\] Table/ { in_names = 1; next }
    in_names && /^[ \t]*\[/ { sub(/^[ \t]*\[[ 0-9]*\][ \t]*/, ""); print; next }
    in_names && /^[ \t]*$/ { in_names = 0 }
  ' <<<"$dump")
  if [[ -z "$counts" ]]; then
    fail "export table present but its counts could not be read"
  fi
  while read -r what count; do
    [[ -z "$what" ]] && continue
    if (( 16#$count != 0 )); then
      fail "the export table has $((16#$count)) $what entries"
    fi
  done <<<"$counts"
  if [[ -n "$exported" ]]; then
    fail "the plugin exports:"$'\n'"$exported"
  fi
fi

if [[ $failures -ne 0 ]]; then
  echo "$failures check(s) failed for $plugin" >&2
  exit 1
fi
echo "OK: $plugin imports only from ${allowed_dlls[*]}, takes exactly the $(wc -l <<<"$expected") host functions and the keyboard's three from USER32.dll, and exports nothing"
