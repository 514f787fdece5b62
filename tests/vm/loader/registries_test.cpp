// Registries: internal and system packages, the URL checker, the scheme table, platform
// resources, open files, native finalizers and the start-up registrations.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/hookscope.h"
#include "support/lowmem_fixture.h"
#include "support/vmasm.h"
#include "vm/loader/hooks.h"
#include "vm/loader/registries.h"

namespace {

TEST(Registries, InternalPackages) {
    static const char* const dotted[] = {"com.example.hidden.", nullptr};
    static const char* const emptyPrefix[] = {"", nullptr};
    struct Case {
        const char* name;
        const char* className;
        bool fatal;
    };
    const Case cases[] = {
        {"built-in internal package", "quelt/cldc/io/Secret", true},
        {"a prefix written with dots matches slashes", "com/example/hidden/X", true},
        {"the package name itself without its slash", "quelt/cldc", false},
        {"ordinary class", "app/Main", false},
        {"an empty prefix never matches", "anything", false},
    };
    for (const Case& c : cases) {
        vmasm::Vm vm;
        bool returned = false;
        vmasm::RunResult r = vm.inside([&] {
            initInternalPackages();
            registerInternalPackages(emptyPrefix);
            registerInternalPackages(dotted);
            checkInternalPackage(c.className);
            returned = true;
        });
        EXPECT_EQ(returned, !c.fatal) << c.name;
        EXPECT_EQ(r.exitCode, c.fatal ? 127 : 0) << c.name;
        EXPECT_EQ(r.trace.find("ALERT: Cannot use class in Movane internal package") != std::string::npos, c.fatal)
            << c.name;
    }
}

TEST(Registries, InternalPackageLookupStopsAtAnEmptySlot) {
    static const char* const later[] = {"late/", nullptr};
    vmasm::Vm vm;
    vmasm::RunResult r = vm.inside([&] {
        initInternalPackages();
        for (int i = 0; i < 12; i++) registerInternalPackages(later);  // slots beyond ten are not kept
        checkInternalPackage("early/X");
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
}

TEST(Registries, SystemClasses) {
    static const char* const extra[] = {"org.extra.", "net/x/", nullptr};
    struct Case {
        const char* name;
        const char* className;
        const char* jarName;
        int32_t expected;
    };
    const Case cases[] = {
        {"java/ in /sys.jar", "java/lang/Object", "/sys.jar", 0},
        {"javax/ in /app.jar", "javax/microedition/X", "/app.jar", 1},
        {"com/movane/", "com/movane/Y", "/app.jar", 1},
        {"quelt/cldc/", "quelt/cldc/Z", "/tck.jar", 1},
        {"a built-in prefix compares plain bytes", "java.lang.Object", "/app.jar", 0},
        {"a registered dotted prefix", "org/extra/A", "/app.jar", 1},
        {"a registered slash prefix", "net/x/B", "/app.jar", 1},
        {"application class", "app/Main", "/app.jar", 0},
        {"javaish is no package", "javaish/X", "/app.jar", 0},
    };
    vmasm::Vm vm;
    std::vector<int32_t> got;
    vmasm::RunResult r = vm.inside([&] {
        initSystemPackages();
        registerSystemPackages(extra);
        for (const Case& c : cases) got.push_back(isSystemClass(c.className, c.jarName));
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    for (size_t i = 0; i < got.size(); i++) EXPECT_EQ(got[i], cases[i].expected) << cases[i].name;
}

TEST(Registries, SixthSystemPackageListEndsTheStart) {
    static const char* const list[] = {"a/", nullptr};
    vmasm::Vm vm;
    int registered = 0;
    vmasm::RunResult r = vm.inside([&] {
        initSystemPackages();
        for (int i = 0; i < 6; i++) {
            registerSystemPackages(list);
            registered++;
        }
    });
    EXPECT_EQ(registered, 5);
    EXPECT_EQ(r.exitCode, -1);
}

TEST(Registries, UrlChecker) {
    vmasm::Vm vm;
    std::vector<std::string> got;
    vmasm::RunResult r = vm.inside([&] {
        mvURLChecker_reset();
        got.push_back(mvURLChecker_getClassName() ? "set" : "null");
        got.push_back(std::to_string(mvURLChecker_registerClassName(nullptr)));
        got.push_back(std::to_string(mvURLChecker_registerClassName("first.Checker")));
        got.push_back(std::to_string(mvURLChecker_registerClassName("second.Checker")));
        got.push_back(mvURLChecker_getClassName());
        got.push_back(std::to_string(mvURLChecker_registerClassName(nullptr)));
        got.push_back(mvURLChecker_getClassName());
        mvURLChecker_reset();
        got.push_back(mvURLChecker_getClassName() ? "set" : "null");
    });
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(got,
              (std::vector<std::string>{"null", "-1", "0", "0", "second.Checker", "-1", "second.Checker", "null"}));
    EXPECT_NE(r.trace.find(
                  "mvURLChecker: Invalid parameter passed to mvURLChecker_registerClassName() - className is NULL.\n"),
              std::string::npos);
    EXPECT_NE(r.trace.find("mvURLChecker: Overwrite second.Checker with first.Checker."), std::string::npos) << r.trace;
}

TEST(Registries, SchemeTable) {
    struct Step {
        const char* name;
        std::function<std::string()> act;
        const char* expected;
    };
    auto reg = [](const char* s, const char* c) {
        return [=] { return std::to_string(mvGenericConnection_register(s, c)); };
    };
    auto get = [](const char* s) {
        return [=] {
            const char* c = mvGenericConnection_getClassName(s);
            return std::string(c ? c : "null");
        };
    };
    auto unreg = [](const char* s) { return [=] { return std::to_string(mvGenericConnection_unregister(s)); }; };
    const Step steps[] = {
        {"register http", reg("http", "HttpImpl"), "0"},
        {"register socket", reg("socket", "SocketImpl"), "0"},
        {"register sms", reg("sms", "SmsImpl"), "0"},
        {"case is ignored in lookups", get("HTTP"), "HttpImpl"},
        {"case is ignored in duplicates", reg("Http", "Other"), "-1"},
        {"unknown scheme", get("ftp"), "null"},
        {"unregister the first", unreg("http"), "0"},
        {"the others stay", get("socket"), "SocketImpl"},
        {"the last one stays", get("sms"), "SmsImpl"},
        {"unregister again", unreg("http"), "-1"},
        {"a new scheme goes to the third entry", reg("file", "FileImpl"), "0"},
        {"found", get("FILE"), "FileImpl"},
    };
    vmasm::Vm vm;
    std::vector<std::string> got;
    std::string third;
    vmasm::RunResult r = vm.inside([&] {
        mvGenericConnection_reset();
        for (const Step& s : steps) got.push_back(s.act());
        // fill the table: entries 4..20, then one too many
        static char names[20][8];
        for (int i = 0; i < 17; i++) {
            snprintf(names[i], sizeof names[i], "s%d", i);
            got.push_back(std::to_string(mvGenericConnection_register(names[i], "X")));
        }
        got.push_back(std::to_string(mvGenericConnection_register("overflow", "X")));
        got.push_back(get("file")());
        mvGenericConnection_reset();
        got.push_back(get("socket")());
    });
    ASSERT_EQ(r.exitCode, 0);
    for (size_t i = 0; i < sizeof steps / sizeof steps[0]; i++) EXPECT_EQ(got[i], steps[i].expected) << steps[i].name;
    size_t n = sizeof steps / sizeof steps[0];
    for (size_t i = n; i < n + 17; i++) EXPECT_EQ(got[i], "0") << "filling entry " << i - n + 4;
    EXPECT_EQ(got[n + 17], "-1") << "a full table";
    EXPECT_EQ(got[n + 18], "FileImpl") << "the full table is unchanged";
    EXPECT_EQ(got[n + 19], "null") << "after the reset";
    EXPECT_NE(r.trace.find("mvGenericConnection: Error!! Http is already registered.\n"), std::string::npos);
    EXPECT_NE(r.trace.find("mvGenericConnection: Could not unregister. \"http\" is not found.\n"), std::string::npos);
    EXPECT_NE(r.trace.find("mvGenericConnection: Could not register. table is over."), std::string::npos);
}

std::string resourceLog;
void onResume(PlatformResource*) { resourceLog += "r"; }
void onFinalize(PlatformResource*) { resourceLog += "f"; }
void tagA(PlatformResource*) { resourceLog += "A"; }
void tagB(PlatformResource*) { resourceLog += "B"; }

TEST(Registries, PlatformResources) {
    LowRecord<PlatformResource> a({nullptr, tagA, tagA, tagA});
    LowRecord<PlatformResource> b({nullptr, tagB, tagB, tagB});
    LowRecord<PlatformResource> partial({nullptr, nullptr, onResume, onFinalize});
    vmasm::Vm vm;
    std::vector<int32_t> answers;
    resourceLog.clear();
    vmasm::RunResult r = vm.inside([&] {
        answers.push_back(registerPlatformResource(nullptr));
        answers.push_back(registerPlatformResource(a.get()));
        answers.push_back(registerPlatformResource(b.get()));
        answers.push_back(registerPlatformResource(a.get()));  // already there: unchanged
        answers.push_back(registerPlatformResource(partial.get()));
        mvPlatformResourceSuspend();
        resourceLog += "|";
        mvPlatformResourceResume();
        resourceLog += "|";
        mvPlatformResourceFinalize();
        mvPlatformResourceFinalize();  // once per run
    });
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(answers, (std::vector<int32_t>{0, 1, 1, 1, 1}));
    EXPECT_EQ(resourceLog, "AB|ABr|ABf");
    EXPECT_NE(r.trace.find("--------- mvPlatformResourceSuspend()\n"), std::string::npos);
    EXPECT_NE(r.trace.find("--------- mvPlatformResourceResume()\n"), std::string::npos);
}

// The porting layer's close, replaced by a recorder in the test that needs it.
std::vector<int32_t> closedFiles;
int32_t recordFileClose(int32_t handle) {
    closedFiles.push_back(handle);
    return 0;
}

TEST(Registries, OpenFiles) {
    vmasm::Vm vm;
    std::vector<int32_t> answers;
    closedFiles.clear();
    HookScope<int32_t (*)(int32_t)> hook(LoaderHooks.MkRandomAccessFileClose, recordFileClose);
    vmasm::RunResult r = vm.inside([&] {
        unregisterOpenFile(5);  // no queue yet: nothing happens
        for (int32_t h : {0, 7, 9, 7, 11}) answers.push_back(registerOpenFile(h));
        unregisterOpenFile(7);   // the one nearer the head
        unregisterOpenFile(42);  // unknown
        closeAllOpenFiles();     // last in, first out; -1 back to 0
        closeAllOpenFiles();     // the queue is gone
        answers.push_back(registerOpenFile(3));
        closeAllOpenFiles();
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_EQ(answers, (std::vector<int32_t>{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(closedFiles, (std::vector<int32_t>{11, 7, 9, 0, 3}));
}

std::string finalizerLog;
int32_t finalizeOk(OBJECT, NativeFinalizerRecord* r) {
    finalizerLog += "ok" + std::to_string((int)(r->next != nullptr));
    return 0;
}
int32_t finalizeFails(OBJECT, NativeFinalizerRecord*) {
    finalizerLog += "fail";
    return 7;
}

TEST(Registries, NativeFinalizers) {
    vmasm::Vm vm;
    vm.cls("ui/Peer");
    vm.cls("ui/SubPeer", "ui/Peer");
    vm.cls("ui/Other");
    vm.cls("Plain");
    struct Case {
        const char* name;
        const char* instanceClass;
        int32_t result;
        const char* log;
    };
    const Case cases[] = {
        {"the class's own finalizer, newest first", "ui/Other", 7, "fail"},
        {"a subclass runs its superclass's finalizer", "ui/SubPeer", 0, "ok1"},
        {"java/lang/Object's finalizer never runs", "Plain", 0, ""},
        {"nor for Object itself", "java/lang/Object", 0, ""},
    };
    LowRecord<NativeFinalizerRecord> forObject({nullptr, nullptr, finalizeOk});
    LowRecord<NativeFinalizerRecord> forPeer({nullptr, nullptr, finalizeOk});
    LowRecord<NativeFinalizerRecord> forOther({nullptr, nullptr, finalizeFails});
    std::vector<int32_t> results;
    std::vector<std::string> logs;
    vmasm::RunResult r = vm.inside([&] {
        forObject->clazz = vm.classRecord("java/lang/Object");
        forPeer->clazz = vm.classRecord("ui/Peer");
        forOther->clazz = vm.classRecord("ui/Other");
        registerNativeFinalizer(forObject.get());
        registerNativeFinalizer(forPeer.get());
        registerNativeFinalizer(forOther.get());
        for (const Case& c : cases) {
            finalizerLog.clear();
            ClassRecord* clazz = vm.classRecord(c.instanceClass);
            results.push_back(runNativeFinalizer(nullptr, clazz));
            logs.push_back(finalizerLog);
        }
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        EXPECT_EQ(results[i], cases[i].result) << cases[i].name;
        EXPECT_EQ(logs[i], cases[i].log) << cases[i].name;
    }
    EXPECT_NE(r.trace.find("WARNING: Native finalize error. result: 7 instance:"), std::string::npos) << r.trace;
    EXPECT_NE(r.trace.find("class name ui/Other \n"), std::string::npos) << r.trace;
}

TEST(Registries, PartsInitializer) {
    vmasm::Vm vm;
    std::vector<std::string> got;
    vmasm::RunResult r = vm.inside([&] {
        initSystemPackages();
        mvGenericConnection_reset();
        mvURLChecker_reset();
        got.push_back(std::to_string(mvParts_Initializer()));
        for (const char* s : {"http", "HTTPS", "resource", "socket"}) {
            const char* c = mvGenericConnection_getClassName(s);
            got.push_back(c ? c : "null");
        }
        got.push_back(mvURLChecker_getClassName());
        got.push_back(std::to_string(isSystemClass("app/X", "/app.jar")));
        // the built-in list took the first of the five slots
        static const char* const list[] = {"x/", nullptr};
        for (int i = 0; i < 4; i++) registerSystemPackages(list);
        got.push_back("four more kept");
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_EQ(got, (std::vector<std::string>{"0", "quelt.cldc.io.j2me.http.HttpConnectionImpl",
                                             "quelt.cldc.io.j2me.http.HttpsConnectionImpl",
                                             "com.movane.io.j2me.resource.Protocol", "null",
                                             "quelt.cldc.io.MIDPURLChecker", "0", "four more kept"}));
}

void* hostTable[42];
int32_t imageWidth(void* surface, void** table) { return table == hostTable ? *(int32_t*)surface : -1; }
int32_t imageHeight(void* surface, void** table) { return table == hostTable ? ((int32_t*)surface)[1] : -1; }
// The toolkit's table, given by a stand-in of its getter in the test that needs it.
void** hostServices() { return hostTable; }

TEST(Registries, HostImageSizeThroughTheToolkitTable) {
    int32_t surface[2] = {176, 208};
    EXPECT_EQ(guiTk_hostImageWidth(surface), 0) << "no table yet";
    hostTable[21] = (void*)imageWidth;
    hostTable[22] = (void*)imageHeight;
    HookScope<void** (*)()> hook(LoaderHooks.GuiTkGetHostServices, hostServices);
    EXPECT_EQ(guiTk_hostImageWidth(surface), 176);
    EXPECT_EQ(guiTk_hostImageHeight(surface), 208);
}

}  // namespace
