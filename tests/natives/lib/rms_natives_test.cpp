// The record-store natives over a porting table of stand-ins: what reaches the porting
// layer (names with their full lengths, modes, origins) and what comes back to Java.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "natives/lib/rms_natives.h"
#include "support/hookscope.h"
#include "support/vmasm.h"

using namespace vmasm;

namespace {

struct Seen {
    std::vector<int32_t> vendorLengths;
    std::vector<int32_t> nameLengths;
    int32_t opens = 0;
    int32_t position = 7;
    int32_t length = 40;
};
Seen seen;

int32_t openFile(const uint16_t*, int32_t, int32_t) {
    seen.opens++;
    return 0x1000;
}
int32_t closeFile(int32_t) { return 0; }
int32_t seekFile(int32_t, int32_t offset, int32_t whence) {
    if (whence == 0) seen.position = offset;
    if (whence == 2) seen.position = seen.length;
    return seen.position;
}
int32_t writeOutsideCommit(int32_t, const void*, int32_t) { return -2; }
void noteSuite(const uint16_t*, int32_t vendorLength, const uint16_t*, int32_t nameLength) {
    seen.vendorLengths.push_back(vendorLength);
    seen.nameLengths.push_back(nameLength);
}
int32_t availSize(const uint16_t* v, int32_t vl, const uint16_t* n, int32_t nl) {
    noteSuite(v, vl, n, nl);
    return 1234;
}
int32_t fileName(const uint16_t* v, int32_t vl, const uint16_t* n, int32_t nl, int32_t, uint16_t* buffer) {
    if (buffer == nullptr) noteSuite(v, vl, n, nl);
    return -1;
}

const char* const manager = "com/movane/rms/IndexedRecordStoreManager";
const char* const file = "com/movane/rms/RandomAccessFile";
const char* const suiteDescriptor = "(Ljava/lang/String;Ljava/lang/String;)V";

TEST(RecordStoreNatives, BridgeToThePortingLayer) {
    RmsPortingHooks table = DefaultRmsPorting;
    table.MkRandomAccessFileOpen = openFile;
    table.MkRandomAccessFileClose = closeFile;
    table.MkRandomAccessFileSeek = seekFile;
    table.MkRandomAccessFileWrite = writeOutsideCommit;
    table.MkRecordStoreBeginCommit = noteSuite;
    table.MkRecordStoreEndCommit = noteSuite;
    table.MkRecordStoreGetAvailSize = availSize;
    table.MkRecordStoreGetFileNameBySuite = fileName;
    HookScope<RmsPortingHooks> hooks(RmsPorting, table);
    seen = Seen();

    Vm vm;
    vm.cls("R")
        .field("open3", "I", ACC_STATIC)
        .field("length", "I", ACC_STATIC)
        .field("position", "I", ACC_STATIC)
        .field("write", "I", ACC_STATIC)
        .field("avail", "I", ACC_STATIC)
        .field("read", "I", ACC_STATIC)
        .field("mode", "I", ACC_STATIC)
        .field("unknown", "I", ACC_STATIC);
    ClassSpec& f = vm.cls(file);
    f.nativeMethod("nativeOpen", "(Ljava/lang/String;B)I", ACC_STATIC, Java_com_movane_rms_RandomAccessFile_nativeOpen);
    f.nativeMethod("nativeLength", "(I)I", ACC_STATIC, Java_com_movane_rms_RandomAccessFile_nativeLength);
    f.nativeMethod("nativeWrite", "(I[BII)I", ACC_STATIC, Java_com_movane_rms_RandomAccessFile_nativeWrite);
    f.nativeMethod("nativeGetPreferredReadSize", "()I", ACC_STATIC,
                   Java_com_movane_rms_RandomAccessFile_nativeGetPreferredReadSize);
    ClassSpec& m = vm.cls(manager);
    m.nativeMethod("nativeBeginCommit", suiteDescriptor, ACC_STATIC,
                   Java_com_movane_rms_IndexedRecordStoreManager_nativeBeginCommit);
    m.nativeMethod("nativeEndCommit", suiteDescriptor, ACC_STATIC,
                   Java_com_movane_rms_IndexedRecordStoreManager_nativeEndCommit);
    m.nativeMethod("nativeGetStorageAvailSize", "(Ljava/lang/String;Ljava/lang/String;)I", ACC_STATIC,
                   Java_com_movane_rms_IndexedRecordStoreManager_nativeGetStorageAvailSize);
    m.nativeMethod("nativeGetFileNameBySuite", "(Ljava/lang/String;Ljava/lang/String;B)Ljava/lang/String;", ACC_STATIC,
                   Java_com_movane_rms_IndexedRecordStoreManager_nativeGetFileNameBySuite);
    vm.cls("javax/microedition/rms/RecordStore")
        .nativeMethod("nativeGetRecordEnumerationMode", "()I", ACC_STATIC,
                      Java_javax_microedition_rms_RecordStore_nativeGetRecordEnumerationMode);

    // names of 200 and 130 characters: counts that a signed byte would turn negative
    const std::string vendor(200, 'v'), name(130, 'n');
    MethodSpec& main = vm.cls("M").method("main", "([Ljava/lang/String;)V", ACC_PUBLIC | ACC_STATIC).locals(2);
    main.code.ldcString("gfs://java/0.rs1")
        .iconst(3)
        .invokestatic(file, "nativeOpen", "(Ljava/lang/String;B)I")
        .putstatic("R", "open3", "I");
    main.code.ldcInt(0x1000).invokestatic(file, "nativeLength", "(I)I").putstatic("R", "length", "I");
    main.code.ldcInt(0x1000)
        .iconst(4)
        .newarray(8)
        .iconst(0)
        .iconst(4)
        .invokestatic(file, "nativeWrite", "(I[BII)I")
        .putstatic("R", "write", "I");
    main.code.invokestatic(file, "nativeGetPreferredReadSize", "()I").putstatic("R", "read", "I");
    main.code.ldcString(vendor).ldcString(name).invokestatic(manager, "nativeBeginCommit", suiteDescriptor);
    main.code.ldcString(vendor).ldcString(name).invokestatic(manager, "nativeEndCommit", suiteDescriptor);
    main.code.ldcString(vendor)
        .ldcString(name)
        .invokestatic(manager, "nativeGetStorageAvailSize", "(Ljava/lang/String;Ljava/lang/String;)I")
        .putstatic("R", "avail", "I");
    main.code.ldcString(vendor)
        .ldcString(name)
        .iconst(0)
        .invokestatic(manager, "nativeGetFileNameBySuite", "(Ljava/lang/String;Ljava/lang/String;B)Ljava/lang/String;")
        .branch(OP_IFNONNULL, "known")
        .iconst(1)
        .putstatic("R", "unknown", "I")
        .label("known");
    main.code.invokestatic("javax/microedition/rms/RecordStore", "nativeGetRecordEnumerationMode", "()I")
        .putstatic("R", "mode", "I")
        .op(OP_RETURN);

    int32_t r[8] = {};
    vm.afterRun = [&] {
        const char* fields[] = {"open3", "length", "write", "avail", "read", "mode", "unknown"};
        for (int i = 0; i < 7; i++) r[i] = *vm.staticAddress("R", fields[i]);
    };
    RunResult result = vm.run("M");
    ASSERT_EQ(0, result.exitCode) << result.trace;
    EXPECT_EQ(-1, r[0]) << "mode 3 is refused";
    EXPECT_EQ(0, seen.opens) << "mode 3 does not reach the porting layer";
    EXPECT_EQ(40, r[1]) << "the length";
    EXPECT_EQ(7, seen.position) << "the length keeps the position";
    EXPECT_EQ(-2, r[2]) << "a write outside a commit";
    EXPECT_EQ(1234, r[3]) << "the available size";
    EXPECT_EQ(1024, r[4]) << "the preferred size when the layer answers 0";
    EXPECT_EQ(2, r[5]) << "the enumeration mode";
    EXPECT_EQ(1, r[6]) << "an unknown suite names no file";
    ASSERT_EQ(4u, seen.vendorLengths.size());
    for (size_t i = 0; i < seen.vendorLengths.size(); i++) {
        EXPECT_EQ(200, seen.vendorLengths[i]) << "call " << i;
        EXPECT_EQ(130, seen.nameLengths[i]) << "call " << i;
    }
}

}  // namespace
