// The start-up of a test program that links the class loader, as a program's own would
// be: the core's hooks reach the loader, the verifier, preparation and the finalizers.
#include "vm/loader/hooks.h"

static const bool ClassLoaderInstalled = (installClassLoader(), true);
