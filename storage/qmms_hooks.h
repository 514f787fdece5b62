// Seams of the suite store: what it calls in parts of the system that link it (the host
// glue's event posting, the descriptor parser, push registrations) and the free-space
// query. An empty slot means the service is not there; the store then does without it.
#pragma once

#include <stdint.h>

struct QmmsHooks {
    // host glue: hands the launch flag over before a launch request is posted
    void (*setStateCallback)(uintptr_t launchFlag);
    // host glue: posts a 208-byte request record on a selector (2 is the VM control queue)
    void (*postEvent)(int selector, const void* record);
    // host glue: posts a zeroed record of the given request kind
    void (*postSimpleEvent)(int selector, int kind);
    // descriptor parser: the value of key in a descriptor text; 0, or -1 when missing
    int (*getAttribute)(const char* text, int length, const char* key, char* out, int outSize, int trim);
    // push registrations: forget those of a deleted suite
    void (*removePushRegistrations)(int suiteId);
    // free bytes of the storage volume; empty: the platform's GetStorageFreeSpace
    int32_t (*storageFreeSpace)(void);
    // the JAR signature check: 0 unsigned, -1 or -2 refused, above 0 verified with the
    // signer's distinguished name in dn; empty: every suite counts as unsigned
    int (*verifyJarSignature)(const void* jad, int jadSize, const void* jar, int jarSize, char* dn, int dnSize);
};

// Copies the table; null clears every slot.
void qmms_setHooks(const QmmsHooks* hooks);
const QmmsHooks* qmms_getHooks(void);
