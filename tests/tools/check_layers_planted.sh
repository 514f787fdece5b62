#!/bin/sh
# The layer check passes a tree that keeps to the order and names each planted upward
# include and link, and a folder that has no place in the order.
set -u
check=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/vm/core" "$tree/vm/services" "$tree/vm/core/sub"
printf '#include "platform/p32.h"\n#include "vm/core/heap.h"\n' >"$tree/vm/core/a.cpp"
printf '#include "vm/core/heap.h"\n' >"$tree/vm/services/b.cpp"
printf 'movane_folder_library(movane_vm_core LIBS movane_platform)\n' >"$tree/vm/core/CMakeLists.txt"
printf 'movane_folder_library(movane_vm_services LIBS movane_vm_core)\n' >"$tree/vm/services/CMakeLists.txt"
if ! out=$(sh "$check" "$tree" 2>&1); then
    echo "a tree in order was refused:"; echo "$out"; exit 1
fi

# a subfolder belongs to its folder's layer
printf '#include "vm/services/vmstate.h"\n' >"$tree/vm/core/sub/c.cpp"
printf '  #  include "vm/services/vmstate.h"  // spaced\n' >>"$tree/vm/core/a.cpp"
printf 'movane_folder_library(movane_vm_core LIBS movane_platform\n  movane_vm_services)\n' >"$tree/vm/core/CMakeLists.txt"
mkdir -p "$tree/newfolder" && : >"$tree/newfolder/x.cpp"
out=$(sh "$check" "$tree" 2>&1) && { echo "planted violations passed:"; echo "$out"; exit 1; }
status=0
for expected in \
    "vm/core/sub/c.cpp includes vm/services/vmstate.h (vm/services lies above vm/core)" \
    "vm/core/a.cpp includes vm/services/vmstate.h (vm/services lies above vm/core)" \
    "vm/core/CMakeLists.txt links movane_vm_services (vm/services lies above vm/core)" \
    "newfolder has no place in the layer order"; do
    case $out in
    *"$expected"*) ;;
    *) echo "missing: $expected"; status=1 ;;
    esac
done
[ $status -eq 0 ] || echo "$out"
exit $status
