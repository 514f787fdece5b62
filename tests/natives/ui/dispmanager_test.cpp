// The display manager's class tests in a run of hand-built classes: the no-update list
// with the classes it names, a name that names no class, java/lang/Object, and the
// null-displayable test over a list of names.
#include <gtest/gtest.h>

#include "natives/ui/dispmanager.h"
#include "support/vmasm.h"

using namespace vmasm;

namespace {

TEST(DispManager, ClassTestsFollowTheSuperclassChain) {
    Vm vm;
    vm.cls("a/Base");
    vm.cls("a/Derived", "a/Base");
    vm.cls("a/Other");
    struct Outcome {
        int32_t initFirst, initAgain, derived, base, other, object, nullObject;
        int32_t nullDerived, nullOther, nullEmpty;
    } got = {};
    RunResult r = vm.inside([&] {
        got.initFirst = dispNullDisplayableInit();
        got.initAgain = dispNullDisplayableInit();
        // a name that names no class is passed over, and the root class never matches
        dispAddNeedUpdateClass("no/Such");
        dispAddNeedUpdateClass("java/lang/Object");
        dispAddNeedUpdateClass("a/Base");
        OBJECT derived = instantiate(vm.classRecord("a/Derived"));
        got.derived = dispNeedUpdate(derived);
        got.base = dispNeedUpdate(instantiate(vm.classRecord("a/Base")));
        got.other = dispNeedUpdate(instantiate(vm.classRecord("a/Other")));
        got.object = dispNeedUpdate(instantiate(JavaLangObject));
        got.nullObject = dispNeedUpdate(nullptr);
        const char* names[] = {"no/Such", "a/Base", nullptr};
        const char* none[] = {nullptr};
        got.nullDerived = midlet_nativeNeedNullDisplayable(instantiate(vm.classRecord("a/Derived")), names);
        got.nullOther = midlet_nativeNeedNullDisplayable(instantiate(vm.classRecord("a/Other")), names);
        got.nullEmpty = midlet_nativeNeedNullDisplayable(instantiate(vm.classRecord("a/Derived")), none);
    });
    ASSERT_EQ(0, r.exitCode) << r.trace;
    EXPECT_EQ(0, got.initFirst);
    EXPECT_EQ(0, got.initAgain) << "the list is made once";
    EXPECT_EQ(1, got.derived) << "a subclass of a listed class";
    EXPECT_EQ(1, got.base) << "the listed class itself";
    EXPECT_EQ(0, got.other) << "an unrelated class";
    EXPECT_EQ(0, got.object) << "java/lang/Object is never matched, though listed";
    EXPECT_EQ(0, got.nullObject);
    EXPECT_EQ(1, got.nullDerived);
    EXPECT_EQ(0, got.nullOther);
    EXPECT_EQ(0, got.nullEmpty);
}

}  // namespace
