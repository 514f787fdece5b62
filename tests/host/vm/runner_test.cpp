// Runs in one process through the runner: after each run the tables are back to the
// image's entries (none, while the system classes come from "/sys.jar"), the memory
// files are gone, and the next run gives the same output.
#include <gtest/gtest.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "host/vm/kvm/runner.h"
#include "kvm_fixture.h"
#include "platform/events.h"
#include "platform/trace.h"
#include "support/hookscope.h"
#include "tools/imagegen/classimage.h"
#include "vm/core/exceptions.h"
#include "vm/core/hooks.h"
#include "vm/core/romimage.h"
#include "vm/loader/classpath.h"
#include "vm/loader/hooks.h"

namespace {

using kvmtest::capture;
using kvmtest::readFile;

struct RunOutcome {
    int32_t code;
    std::string trace;
};

RunOutcome runOnce(const std::vector<std::string>& words, const KvmRunFiles& files) {
    std::vector<std::string> copies = words;
    std::vector<char*> argv;
    for (std::string& w : copies) argv.push_back(&w[0]);
    RunOutcome run;
    TraceSetCapture(capture, &run.trace);
    run.code = runKvmOnce((int)argv.size(), argv.data(), &files);
    TraceSetCapture(nullptr, nullptr);
    return run;
}

TEST(Runner, RunsEndWithTheImageTablesAndNoFiles) {
    SysTimerInit();
    std::vector<uint8_t> library = readFile(MOVANE_SYSTEM_JAR);
    std::vector<uint8_t> programs = readFile(KVM_TEST_JAR);
    ASSERT_FALSE(library.empty());
    ASSERT_FALSE(programs.empty());
    KvmRunFiles files = {library.data(), (int32_t)library.size(), programs.data(), (int32_t)programs.size()};
    struct Case {
        const char* name;
        std::vector<std::string> words;
        int32_t code;
    };
    const Case cases[] = {
        {"a program that ends normally", {"kvm", "-classpath", "/app.jar", "StaticsTest"}, 0},
        {"a program that ends by a fatal error", {"kvm", "-classpath", "/app.jar", "UnboundNative"}, 127},
        {"a missing main class", {"kvm", "-classpath", "/app.jar", "NoSuchMain"}, 1},
        {"the last class path counts",
         {"kvm", "-classpath", "/nothing.jar", "-classpath", "/app.jar", "StaticsTest"},
         0},
        {"the first class path does not",
         {"kvm", "-classpath", "/app.jar", "-classpath", "/nothing.jar", "StaticsTest"},
         1},
    };
    for (const Case& k : cases) {
        std::string first;
        for (int round = 0; round < 2; round++) {
            RunOutcome run = runOnce(k.words, files);
            EXPECT_EQ(run.code, k.code) << k.name << " round " << round << "\n" << run.trace;
            EXPECT_EQ(UTFStringTable->count, 0u) << k.name;
            EXPECT_EQ(ClassTable->count, 0u) << k.name;
            EXPECT_EQ(InternStringTable->count, 0u) << k.name;
            for (const MemoryFileEntry& f : MemoryFiles) EXPECT_EQ(f.name[0], 0) << k.name << ": " << f.name;
            EXPECT_EQ(CurrentCatchFrame, nullptr) << k.name;
            EXPECT_EQ(VmExitFrame, nullptr) << k.name;
            // heap addresses may differ from run to run; the rest of the trace may not
            std::string trace = run.trace.substr(run.trace.find("ROMIZE"));
            if (round == 0)
                first = trace;
            else
                EXPECT_EQ(trace, first) << k.name;
        }
    }
    SysTimerTerm();
}

// A program whose start-up does not install the class loader: the first class the run
// must read ends it with a fatal error that says so, from the class image as from the
// library JAR.
TEST(Runner, WithoutTheLoaderTheRunEndsWithAFatalError) {
    SysTimerInit();
    std::vector<uint8_t> library = readFile(MOVANE_SYSTEM_JAR);
    std::vector<uint8_t> programs = readFile(KVM_TEST_JAR);
    ASSERT_FALSE(library.empty());
    ASSERT_FALSE(programs.empty());
    struct Case {
        const char* name;
        KvmRunFiles files;
        const char* alert;
    };
    const Case cases[] = {
        {"the library in the class image",
         {nullptr, 0, programs.data(), (int32_t)programs.size()},
         "ALERT: No class loader installed to load StaticsTest\n"},
        {"the library from its JAR",
         {library.data(), (int32_t)library.size(), programs.data(), (int32_t)programs.size()},
         "ALERT: No class loader installed to load java/lang/Object\n"},
    };
    for (const Case& k : cases) {
        RunOutcome run;
        {
            // the heap hand-over and the runtime services stay; the loader's slots go
            VmCoreHooks withoutLoader = CoreHooks;
            withoutLoader.loadClassfile = DefaultCoreHooks.loadClassfile;
            withoutLoader.loadArrayClass = DefaultCoreHooks.loadArrayClass;
            withoutLoader.verifyClass = DefaultCoreHooks.verifyClass;
            withoutLoader.prepareMethod = DefaultCoreHooks.prepareMethod;
            withoutLoader.runNativeFinalizer = DefaultCoreHooks.runNativeFinalizer;
            HookScope<VmCoreHooks> core(CoreHooks, withoutLoader);
            HookScope<VmLoaderHooks> loader(LoaderHooks, DefaultLoaderHooks);
            if (k.files.systemJar == nullptr) LoaderHooks.classImage = &MovaneClassImage;
            run = runOnce({"kvm", "-classpath", "/app.jar", "StaticsTest"}, k.files);
        }
        EXPECT_EQ(run.code, 127) << k.name << "\n" << run.trace;
        EXPECT_NE(run.trace.find(k.alert), std::string::npos) << k.name << "\n" << run.trace;
        RunOutcome after = runOnce({"kvm", "-classpath", "/app.jar", "StaticsTest"}, k.files);
        EXPECT_EQ(after.code, 0) << k.name << ": the filled tables are back\n" << after.trace;
    }
    SysTimerTerm();
}

}  // namespace
