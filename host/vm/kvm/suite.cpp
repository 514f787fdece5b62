// The suite context of runner runs: a device tree, the suite store and one suite in it.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <string>

#include "host/vm/kvm/runner.h"
#include "host/vm/rmsfiles.h"
#include "platform/fs.h"
#include "platform/gfs.h"
#include "platform/lowmem.h"
#include "platform/registry.h"
#include "storage/qmmm.h"
#include "storage/qmms_index.h"
#include "storage/qmms_manager.h"
#include "storage/qmms_suitefiles.h"

enum { SUITE_ARENA = 2 * 1024 * 1024 };

// Low memory: the arena's records and the descriptor's bytes are kept in words.
static void* Arena;
static char* Descriptor;
static int32_t DescriptorSize;

// As the installer leaves a suite: its slot, then its data file, under the store lock.
static int32_t addSuite(const char* vendor, const char* name) {
    QmmsSuiteInfo info;
    memset(&info, 0, sizeof info);
    snprintf(info.name, sizeof info.name, "%s", name);
    snprintf(info.vendor, sizeof info.vendor, "%s", vendor);
    snprintf(info.version, sizeof info.version, "1.0.0");
    snprintf(info.directory, sizeof info.directory, "gfs://java/");
    info.midletCount = 1;
    QmmsSuiteData data;
    memset(&data, 0, sizeof data);
    QmmsMidletInfo midlet;
    memset(&midlet, 0, sizeof midlet);
    snprintf(midlet.name, sizeof midlet.name, "%s", name);
    int id = -1;
    qmms_lockStore();
    bool ok = qmms_addSuite(&info, &id) == 0;
    if (ok) {
        snprintf(data.jarLocation, sizeof data.jarLocation, "gfs://java/%d.jar", id);
        data.midletCount = 1;
        ok = qmms_openSuite(id) == 0 && qmms_setSuiteData(&data) == 0 && qmms_setMidletEntry(0, &midlet) == 0 &&
             qmms_closeSuite(1) == 0;
    }
    qmms_unlockStore();
    return ok ? id : -1;
}

int32_t startKvmSuite(const char* hostFolder, const char* vendor, const char* name, int32_t quotaTotal) {
    mkdir(hostFolder, 0777);
    if (FsSetDeviceRoot(hostFolder) != 0) {
        fprintf(stderr, "movane-kvm: the storage folder name is too long\n");
        return -1;
    }
    RegistrySetFile((std::string(hostFolder) + "/registry.reg").c_str());
    static const char* const folders[] = {"\\java",    "\\sdc_root", "\\sdc_secure", "\\sd-card",
                                          "\\current", "\\drm",      "\\drm-sd"};
    for (int row = 0; row < GFS_ROW_COUNT; row++) {
        GfsSetPhysicalPath(row, folders[row]);
        std::string host = std::string(hostFolder) + "/" + (folders[row] + 1);
        mkdir(host.c_str(), 0777);
    }
    Arena = lowAlloc(SUITE_ARENA);
    if (Arena == nullptr) return -1;
    qmmm_init(Arena, SUITE_ARENA);
    if (qmms_init(0) != 0) {
        fprintf(stderr, "movane-kvm: the suite store in %s does not start\n", hostFolder);
        return -1;
    }
    int id = qmms_findSuite(name, vendor);
    if (id < 0) id = addSuite(vendor, name);
    if (id < 0) {
        fprintf(stderr, "movane-kvm: cannot add the suite \"%s\" of \"%s\"\n", name, vendor);
        return -1;
    }
    qmms_postLaunchDefault(id, 1, 0);
    RmsSetQuotaTotal(quotaTotal);
    installRecordStorePorting();
    std::string text = std::string("MIDlet-Name: ") + name + "\nMIDlet-Vendor: " + vendor + "\nMIDlet-Version: 1.0.0\n";
    lowFree(Descriptor);
    Descriptor = (char*)lowAlloc(text.size());
    if (Descriptor == nullptr) return -1;
    memcpy(Descriptor, text.data(), text.size());
    DescriptorSize = (int32_t)text.size();
    return 0;
}

const uint8_t* kvmSuiteDescriptor(int32_t* size) {
    *size = Descriptor != nullptr ? DescriptorSize : 0;
    return (const uint8_t*)Descriptor;
}

void stopKvmSuite() {
    RmsCloseAllFiles();
    qmms_fini();
    qmmm_fini();
    lowFree(Arena);
    Arena = nullptr;
    lowFree(Descriptor);
    Descriptor = nullptr;
    DescriptorSize = 0;
}
