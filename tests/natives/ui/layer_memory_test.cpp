// Layers whose native records cannot be allocated: the Java side throws
// OutOfMemoryError instead of keeping a layer without a record, and an animated tile
// whose node the record could not store is not counted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/mk_host.h"
#include "host/vm/kvm/runner.h"
#include "platform/events.h"
#include "platform/hostfile.h"
#include "platform/lowmem.h"

namespace {

// Refuses the sizes of a sprite record (36 bytes), of a 3 x 3 tiled layer
// ((9 + 18) x 2 bytes) and of an animated-tile node (8 bytes). What it gives is low
// memory, as the graphics layer's records are kept in Java ints.
void* refusingAllocator(uint32_t size) { return size == 36 || size == 54 || size == 8 ? nullptr : lowCalloc(1, size); }

TEST(LayerMemory, RecordsThatCannotBeAllocated) {
    SysTimerInit();
    std::vector<uint8_t> programs;
    ASSERT_TRUE(HostFileReadAll(UI_TEST_JAR, &programs));
    KvmRunFiles files = {nullptr, 0, programs.data(), (int32_t)programs.size()};
    const MkHostHooks saved = *mk_getHostHooks();
    MkHostHooks hooks = saved;
    hooks.memAllocPointer = refusingAllocator;
    hooks.memFreePointer = lowFree;
    mk_setHostHooks(&hooks);
    std::string words[] = {"kvm", "-classpath", "/app.jar", "LayerMemoryTest"};
    char* argv[4];
    for (int i = 0; i < 4; i++) argv[i] = &words[i][0];
    testing::internal::CaptureStdout();
    int32_t code = runKvmOnce(4, argv, &files);
    std::string out = testing::internal::GetCapturedStdout();
    mk_setHostHooks(&saved);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out,
              "0: java.lang.OutOfMemoryError\n"
              "1: java.lang.OutOfMemoryError\n"
              "2: java.lang.OutOfMemoryError\n"
              "3: java.lang.IndexOutOfBoundsException \"anmated tile index is invalid\"\n"
              "4: java.lang.IndexOutOfBoundsException \"there is no tile with index tileIndex\"\n");
}

}  // namespace
