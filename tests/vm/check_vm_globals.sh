#!/bin/sh
# Fails when a VM library holds a writable global outside the "vmdata" and "vmbss"
# sections: such a variable would keep its value from one VM run into the next. The
# hook tables between subsystems ("vmhooks") are kept across runs on purpose.
# Usage: check_vm_globals.sh libmovane_vm_core.a ...
# Read-only data (.rodata*, .data.rel.ro*) is ignored; every other object in .data*,
# .bss*, .tdata*, .tbss*, COMMON or a custom section is reported, guard variables of
# function-local statics included (they stand for a static that is not allowed either).
set -u
OBJDUMP=${OBJDUMP:-objdump}
if [ $# -eq 0 ]; then
    echo "check_vm_globals: no archives given" >&2
    exit 2
fi
status=0
for archive in "$@"; do
    if [ ! -f "$archive" ]; then
        echo "check_vm_globals: $archive: no such archive (build it first)" >&2
        status=1
        continue
    fi
    if ! dump=$("$OBJDUMP" -t "$archive" 2>&1); then
        echo "check_vm_globals: $OBJDUMP -t $archive failed:" >&2
        echo "$dump" >&2
        status=1
        continue
    fi
    # objdump -t lines: address, a space, seven flag characters, a space, the section,
    # a tab, the size, a space and the name (possibly behind ".hidden ").
    bad=$(printf '%s\n' "$dump" | awk '
        /^In archive / { next }
        /:[ \t]+file format / { member = $1; sub(/:$/, "", member); next }
        /^[0-9a-fA-F]+ / {
            # the address column is as wide as an address
            sp = index($0, " ")
            flags = substr($0, sp + 1, 7)
            rest = substr($0, sp + 9)
            tab = index(rest, "\t")
            if (tab == 0) next
            section = substr(rest, 1, tab - 1)
            n = split(substr(rest, tab + 1), words, " ")
            name = words[n]
            if (substr(flags, 6, 1) == "d" || substr(flags, 7, 1) == "f" || substr(flags, 7, 1) == "F") next
            if (section == "*UND*" || section == "*ABS*" || section == "vmdata" || section == "vmbss" || section == "vmhooks") next
            if (name ~ /^\.L/ || name ~ /^__(asan|tsan|msan|ubsan|sancov|gcov|llvm|profc|profd)_/) next
            # the one-definition indicators the address sanitizer adds beside each global
            if (name ~ /^__odr_asan[._]/) next
            writable = 0
            if (section == "*COM*") writable = 1
            else if (section ~ /^\.(t?data|t?bss|[ls]data|[ls]bss)(\.|$)/ && section !~ /^\.data\.rel\.ro(\.|$)/) writable = 1
            else if (section !~ /^\./) writable = 1
            if (writable) printf "%s\t%s\t%s\n", member, section, name
        }')
    if [ -n "$bad" ]; then
        status=1
        echo "$archive: writable globals outside the vmdata/vmbss sections (give them VMDATA or VMBSS):"
        printf '%s\n' "$bad" | while IFS='	' read -r member section name; do
            pretty=$name
            if command -v c++filt >/dev/null 2>&1; then
                pretty=$(printf '%s\n' "$name" | c++filt)
            fi
            if [ "$pretty" = "$name" ]; then
                echo "  $member: $name [$section]"
            else
                echo "  $member: $name ($pretty) [$section]"
            fi
        done
    fi
done
if [ $status -eq 0 ]; then
    echo "check_vm_globals: all writable globals of $# archive(s) lie in vmdata/vmbss"
fi
exit $status
