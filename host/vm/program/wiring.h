// The start-up of Movane_VM that connects its parts: the VM (class loader, library
// natives, built-in class image), the host glue and the service interface behind the
// shell's HostGlue table, the shell's functions behind the glue's MweShell table, and
// the shell's screen and host images behind the graphics back end's table.
#pragma once

void MovaneVmWire(void);
// Joins the threads of the last run before the program ends.
void MovaneVmUnwire(void);
