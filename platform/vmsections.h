// Per-run VM state lives in two ELF sections so that a run can be reset wholesale:
// "vmdata" is copied back from the snapshot taken at the first reset, "vmbss" is cleared.
// Plain data only: no constructors, no function-local statics.
#pragma once

#define VMDATA __attribute__((section("vmdata")))
#define VMBSS __attribute__((section("vmbss")))

// Tables of hooks between subsystems, filled by the program's start-up, and the host's
// own registrations and locks in the service interface: kept across runs, so outside
// both sections above.
#define VMHOOKS __attribute__((section("vmhooks")))
